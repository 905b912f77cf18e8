// A plug-in library made of the tray layer alone, for tests that load and
// unload it as HALCON loads and unloads the package.
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "shell_notify.h"
#include "tray_icon.h"
#include "tray_test_library.h"
#include "tray_window.h"
#include "utf8_to_utf16.h"

namespace {

tray_test::conversion_tally* delete_tally = nullptr;
notification::shell_notify_function after_conversion = nullptr;

// Converts a text with the library's own converter at every removal, as a
// right click on the tray thread may while the library unloads.
BOOL WINAPI convert_then_forward(DWORD message, NOTIFYICONDATAW* data) {
    if (message == NIM_DELETE && delete_tally != nullptr) {
        try {
            if (notification::utf8_to_utf16("Gr\xC3\xBC\xC3\x9F" "e") == L"Gr\u00FC\u00DFe") {
                ++delete_tally->converted;
            } else {
                ++delete_tally->wrong;
            }
        } catch (const std::range_error&) {
            ++delete_tally->refused;
        }
    }
    return after_conversion(message, data);
}

}  // namespace

extern "C" {

// The library's own shell seam (it has its own copy of the tray layer).
__declspec(dllexport) void tray_library_use_shell(notification::shell_notify_function call) {
    notification::shell_notify_icon_call = call;
}

// From now on each NIM_DELETE request first converts a text and counts the
// outcome in `tally`, then goes on to `shell`.
__declspec(dllexport) void tray_library_convert_on_delete(notification::shell_notify_function shell,
                                                          tray_test::conversion_tally* tally) {
    after_conversion = shell;
    delete_tally = tally;
    notification::shell_notify_icon_call = &convert_then_forward;
}

__declspec(dllexport) void tray_library_set_callback(int32_t id, notification::tray_event_callback callback,
                                                     void* user_data) {
    if (const auto icon = notification::find_tray_icon(id)) icon->set_callback(callback, user_data);
}

// Makes `count` icons with image, tooltip and menu; returns the last id.
__declspec(dllexport) int32_t tray_library_make_icons(int32_t count) {
    int32_t last = 0;
    for (int32_t i = 0; i < count; ++i) {
        const auto icon = notification::new_tray_icon();
        icon->set_stock_icon(notification::builtin_logo_stock_id);
        icon->set_tooltip("icon " + std::to_string(icon->id()));
        icon->set_menu_lines({"Open", "  Nested", "Exit"});
        last = icon->id();
    }
    return last;
}
}
