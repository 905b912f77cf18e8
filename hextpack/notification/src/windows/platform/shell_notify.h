// The one place the tray layer reaches the shell's notification area.
#ifndef NOTIFICATION_SHELL_NOTIFY_H
#define NOTIFICATION_SHELL_NOTIFY_H

#include <windows.h>
#include <shellapi.h>

namespace notification {

// Shell_NotifyIconW; tests put their own in to see what each request hands
// the shell, and put the real one back.
using shell_notify_function = BOOL(WINAPI*)(DWORD message, NOTIFYICONDATAW* data);
extern shell_notify_function shell_notify_icon_call;

}  // namespace notification

#endif
