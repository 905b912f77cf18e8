// The message box of the message_box operator and the beep of beep.
#ifndef NOTIFICATION_MESSAGE_BOX_H
#define NOTIFICATION_MESSAGE_BOX_H

#include <windows.h>

#include <cstdint>
#include <string>

namespace notification {

// Shows a box with the configuration and icon the two names select, waits
// until the user closes it and returns the lower-case name of the button.
// Both names are checked before anything is shown, the button name first.
// Caption and text are 8-bit text in the system's code page, passed on as
// they are.
std::string show_message_box(const std::string& caption, const std::string& text, const std::string& buttons,
                             const std::string& icon);

// The message-box style for a button configuration name (12004 when unknown)
// and for an icon name (12005 when unknown); names match regardless of case.
int32_t button_flags(const std::string& name);
int32_t icon_flags(const std::string& name);

// The name of the button a message box returned (12006 for anything else).
std::string button_result_name(int32_t result);

// Plays the system's default sound; where none can be played nothing happens.
void play_default_beep();

// The call that shows the box: MessageBoxA. Tests put their own in to reach
// results the real box never gives, and put the real one back.
using message_box_function = decltype(&MessageBoxA);
extern message_box_function message_box_call;

// The call that plays the beep: MessageBeep. Tests put their own in to see
// what is played, and put the real one back.
using message_beep_function = decltype(&MessageBeep);
extern message_beep_function message_beep_call;

}  // namespace notification

#endif
