#include "notification_operators.h"

#include <cstdint>
#include <string>
#include <vector>

#include "context_menu.h"
#include "core_function_wrapper.h"
#include "core_params.h"
#include "message_box.h"
#include "platform_balloon.h"

namespace {

using hextcpp::proc_handle;

// Reads the parameters in position order, so the lowest faulty position is
// the one reported, and all of them before any box is shown.
void message_box(proc_handle proc) {
    const std::string caption = hextcpp::get_param_string(proc, 1);
    const std::string text = hextcpp::get_param_string(proc, 2);
    const std::string buttons = hextcpp::get_param_string_optional(proc, 3, "");
    const std::string icon = hextcpp::get_param_string_optional(proc, 4, "");
    hextcpp::put_param_string(proc, 1, notification::show_message_box(caption, text, buttons, icon));
}

// Tray icon handles are 32-bit; a wider HALCON integer addresses the icon of
// its low 32 bits.
int32_t get_tray_icon_handle(proc_handle proc, int position) {
    return static_cast<int32_t>(static_cast<uint32_t>(hextcpp::get_param_int(proc, position)));
}

// The handle first, then the lines, so a parameter error names the lower
// position and comes before any check of the lines.
void set_tray_icon_context_menu(proc_handle proc) {
    const int32_t handle = get_tray_icon_handle(proc, 1);
    const hextcpp::string_tuple lines = hextcpp::get_param_string_tuple(proc, 2);
    notification::set_tray_icon_menu(handle, lines);
}

// The icon image of the image operators, read and checked before any control
// parameter. No object or several leave it empty: an icon without picture.
hextcpp::image_object get_icon_image(proc_handle proc) {
    const std::vector<hextcpp::image_object> objects = hextcpp::get_param_images(proc, 1);
    hextcpp::image_object image;
    if (objects.size() == 1) {
        image = objects.front();
        if (image.channels.size() != 1 && image.channels.size() != 3) throw hextcpp::herror_exception(5570);
        hextcpp::check_channel_types(image.channels, HIMAGE_BYTE);
    }
    return image;
}

void display_balloon_image(proc_handle proc) {
    const hextcpp::image_object image = get_icon_image(proc);
    const int32_t handle = get_tray_icon_handle(proc, 1);
    const std::string title = hextcpp::get_param_string(proc, 2);
    const std::string text = hextcpp::get_param_string(proc, 3);
    notification::show_image_balloon(handle, image, title, text);
}

void display_balloon(proc_handle proc) {
    const int32_t handle = get_tray_icon_handle(proc, 1);
    const std::string title = hextcpp::get_param_string(proc, 2);
    const std::string text = hextcpp::get_param_string(proc, 3);
    const std::string icon_name = hextcpp::get_param_string(proc, 4);
    notification::show_named_balloon(handle, title, text, icon_name);
}

void clear_all_tray_icons(proc_handle) { notification::destroy_all_tray_icons(); }

void clear_tray_icon(proc_handle proc) { notification::destroy_tray_icon(get_tray_icon_handle(proc, 1)); }

void create_tray_icon_image(proc_handle proc) {
    const hextcpp::image_object image = get_icon_image(proc);
    const std::string tooltip = hextcpp::get_param_string(proc, 1);
    const Hlong message_queue = hextcpp::get_param_int_optional(proc, 2, 0);
    int32_t handle = 0;
    notification::create_image_tray_icon(image, tooltip, message_queue, handle);
    hextcpp::put_param_int(proc, 1, handle);
}

void create_tray_icon(proc_handle proc) {
    const std::string tooltip = hextcpp::get_param_string(proc, 1);
    const std::string icon_name = hextcpp::get_param_string(proc, 2);
    const Hlong message_queue = hextcpp::get_param_int_optional(proc, 3, 0);
    int32_t handle = 0;
    notification::create_named_tray_icon(tooltip, icon_name, message_queue, handle);
    hextcpp::put_param_int(proc, 1, handle);
}

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
