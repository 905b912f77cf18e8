// A plug-in library made of the tray layer alone, for tests that load and
// unload it as HALCON loads and unloads the package.
#include <windows.h>

#include <cstdint>
#include <string>

#include "shell_notify.h"
#include "tray_icon.h"
#include "tray_window.h"

extern "C" {

// The library's own shell seam (it has its own copy of the tray layer).
__declspec(dllexport) void tray_library_use_shell(notification::shell_notify_function call) {
    notification::shell_notify_icon_call = call;
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
