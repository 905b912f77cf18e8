// The tool's one window: the modeless dialog 103 with its commands, and the
// package icon and help link it shows.
#ifndef ACTIVATE_DIALOG_H
#define ACTIVATE_DIALOG_H

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <type_traits>

#include "tool_state.h"

namespace activate {

struct IconDestroyer {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using IconHolder = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

// Where the maker keeps the help pages of its extension packages.
extern const char* const helpBaseAddress;

// The package icon file beside the tool, or "" when that is not a regular
// file. Throws the path library's error for a failing status query.
std::string packageIconPath(const ToolState& state);

// <a href="base address + name/">Help</a>
std::string helpLinkMarkup(const ToolState& state);

// The icon in the file at its own size; null for an empty path or a file
// that cannot be loaded.
IconHolder loadPackageIcon(const std::string& path);

// Updates the buttons, the icon, the description and the help link from the
// user environment and the tool state. When the user environment cannot be
// read, the buttons stay as they are, the rest is updated all the same, and
// then the read failure is thrown. Throws what reading the state throws.
BOOL refreshDialog(HWND dialog);

// Handles the links' clicks; always 0.
LRESULT onLinkNotify(HWND dialog, int controlId, const NMHDR* header);

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the dialog from the instance's resources, shows it and runs the
// message loop: 0 after the dialog was closed, -1 when GetMessageW fails.
// Throws std::runtime_error when the dialog cannot be created.
int runDialog(HINSTANCE instance, int showCommand);

// The help link's way to open an address; the real ShellExecuteW by default,
// replaced only by tests.
using OpenAddressCall = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
extern OpenAddressCall openAddressCall;

}  // namespace activate

#endif
