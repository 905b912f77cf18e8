// Context menus of the tray icons: the indented text lines a program gives,
// their check on the calling thread, and the popup the tray thread builds
// from them at each right click.
#ifndef NOTIFICATION_CONTEXT_MENU_H
#define NOTIFICATION_CONTEXT_MENU_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace notification {

using string_tuple = std::vector<std::string>;

// Line i of icon h has the command id h * 1000 + 100 + i; the window
// procedure decodes the low 16 bits of WM_COMMAND's wParam back into h and i.
constexpr int menu_command_base = 100;
constexpr int menu_command_factor = 1000;

// The command id of line 0 of an icon's menu: the first_command_id the
// functions below take.
constexpr int64_t first_menu_command_id(int32_t icon_id) {
    return int64_t{icon_id} * menu_command_factor + menu_command_base;
}

// True when every one of line_count command ids from first_command_id
// survives the 16 bits of WM_COMMAND and decodes back to its own icon and line.
bool menu_commands_fit(int first_command_id, size_t line_count);

// Builds the menu of the lines (null for no lines and in a dry run, which
// only checks them). A malformed line throws std::runtime_error naming its
// 0-based index; in a real build text that is not UTF-8 throws std::range_error.
// The caller owns the returned menu and destroys it with DestroyMenu.
HMENU build_tray_menu(const string_tuple& lines, int first_command_id, bool dry_run);

// Appends the item of one line (separator, entry, check mark) to the menu;
// AppendMenuW's result, or 0 in a dry run.
BOOL append_menu_entry(HMENU menu, UINT flags, UINT_PTR item, const std::string& line, bool dry_run);

// The nesting level of a line: its leading spaces divided by 2 (odd counts
// throw, naming the index).
int menu_line_level(const std::string& line, int index);

void strip_leading_spaces(std::string& text);

// The call that appends every menu item: AppendMenuW. Tests put their own in
// to see the order of the appends, and put the real one back.
using append_menu_function = decltype(&AppendMenuW);
extern append_menu_function append_menu_call;

// What show_tray_menu returns when no line is to be reported by the caller.
constexpr int no_menu_choice = -1;

// Shows the menu of the lines at the screen point for the owner window and
// returns when it closes; never throws. When the command ids fit (see
// menu_commands_fit), a chosen entry reaches the owner as WM_COMMAND with
// first_command_id + index, and the result is no_menu_choice. Otherwise no
// WM_COMMAND is sent: the popup returns the choice and the result is the
// chosen line's index (no_menu_choice when none), which the caller reports.
int show_tray_menu(string_tuple lines, HWND owner, POINT at, int first_command_id);

// The operator's work: checks the lines (12003 with the check's message),
// finds the icon (12001) and replaces its menu lines.
void set_tray_icon_menu(int32_t handle, const string_tuple& lines);

}  // namespace notification

#endif
