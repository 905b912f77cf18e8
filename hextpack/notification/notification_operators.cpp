#include "notification_operators.h"

#include <stdexcept>

#include "core_function_wrapper.h"
#include "context_menu.h"
#include "core_params.h"
#include "message_box.h"

namespace {

using hextcpp::proc_handle;

// Operators whose work is not there yet fail loudly instead of pretending.
[[noreturn]] void not_built(const char* operator_name) {
    throw std::logic_error(std::string(operator_name) + " is not available in this build");
}

// Reads the parameters in position order, so the lowest faulty position is
// the one reported, and all of them before any box is shown.
void message_box(proc_handle proc) {
    const std::string caption = hextcpp::get_param_string(proc, 1);
    const std::string text = hextcpp::get_param_string(proc, 2);
    const std::string buttons = hextcpp::get_param_string_optional(proc, 3, "");
    const std::string icon = hextcpp::get_param_string_optional(proc, 4, "");
    hextcpp::put_param_string(proc, 1, notification::show_message_box(caption, text, buttons, icon));
}

// The handle first, then the lines, so a parameter error names the lower
// position and comes before any check of the lines. Tray icon handles are
// 32-bit; only the low bits of HALCON's integer count.
void set_tray_icon_context_menu(proc_handle proc) {
    const int32_t handle = static_cast<int32_t>(hextcpp::get_param_int(proc, 1));
    const hextcpp::string_tuple lines = hextcpp::get_param_string_tuple(proc, 2);
    notification::set_tray_icon_menu(handle, lines);
}
void display_balloon_image(proc_handle) { not_built("display_balloon_image"); }
void display_balloon(proc_handle) { not_built("display_balloon"); }
void clear_all_tray_icons(proc_handle) { not_built("clear_all_tray_icons"); }
void clear_tray_icon(proc_handle) { not_built("clear_tray_icon"); }
void create_tray_icon_image(proc_handle) { not_built("create_tray_icon_image"); }
void create_tray_icon(proc_handle) { not_built("create_tray_icon"); }
void beep(proc_handle) { notification::play_default_beep(); }

}  // namespace

Herror CMessageBox(Hproc_handle proc) { return hextcpp::core_function_wrapper(proc, message_box); }
Herror CSetTrayIconContextMenu(Hproc_handle proc) {
    return hextcpp::core_function_wrapper(proc, set_tray_icon_context_menu);
}
Herror CDisplayBalloonImage(Hproc_handle proc) { return hextcpp::core_function_wrapper(proc, display_balloon_image); }
Herror CDisplayBalloon(Hproc_handle proc) { return hextcpp::core_function_wrapper(proc, display_balloon); }
Herror CClearAllTrayIcons(Hproc_handle proc) { return hextcpp::core_function_wrapper(proc, clear_all_tray_icons); }
Herror CClearTrayIcon(Hproc_handle proc) { return hextcpp::core_function_wrapper(proc, clear_tray_icon); }
Herror CCreateTrayIconImage(Hproc_handle proc) {
    return hextcpp::core_function_wrapper(proc, create_tray_icon_image);
}
Herror CCreateTrayIcon(Hproc_handle proc) { return hextcpp::core_function_wrapper(proc, create_tray_icon); }
Herror CBeep(Hproc_handle proc) { return hextcpp::core_function_wrapper(proc, beep); }
