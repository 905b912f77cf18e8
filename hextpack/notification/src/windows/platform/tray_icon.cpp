#include "tray_icon.h"

#include <stdexcept>

namespace notification {

namespace {
[[noreturn]] void not_built() { throw std::logic_error("not built"); }
}  // namespace

tray_icon::tray_icon(tray_window* owner, int32_t id, HWND window, uint32_t callback_message)
    : owner_(owner), id_(id), window_(window), callback_message_(callback_message) {
    not_built();
}
tray_icon::~tray_icon() = default;
void tray_icon::set_icon(HICON) { not_built(); }
void tray_icon::set_stock_icon(int32_t) { not_built(); }
void tray_icon::set_icon_pixels(int32_t, int32_t, const uint8_t*) { not_built(); }
void tray_icon::set_tooltip(const std::string&) { not_built(); }
void tray_icon::show_balloon(const std::string&, const std::string&, HICON) { not_built(); }
void tray_icon::show_stock_balloon(const std::string&, const std::string&, int32_t) { not_built(); }
void tray_icon::show_pixels_balloon(const std::string&, const std::string&, int32_t, int32_t, const uint8_t*) {
    not_built();
}
void tray_icon::show_tooltip() { not_built(); }
HICON tray_icon::icon_copy() const { not_built(); }
void tray_icon::set_callback(tray_event_callback, void*) { not_built(); }
void tray_icon::notify(const tray_event&) { not_built(); }
void tray_icon::set_menu_lines(const string_tuple&) { not_built(); }
string_tuple tray_icon::menu_lines() const { not_built(); }
void tray_icon::retire() { not_built(); }

void register_tray_icon(std::shared_ptr<tray_icon>) { not_built(); }
std::shared_ptr<tray_icon> find_tray_icon(int32_t) { not_built(); }
std::shared_ptr<tray_icon> find_tray_icon_by_shell_id(uint32_t) { not_built(); }
void unregister_tray_icon(const tray_icon*) { not_built(); }
void destroy_all_tray_icons() { not_built(); }
HICON hicon_from_bgra(int32_t, int32_t, const uint8_t*) { not_built(); }
HICON hicon_for_stock_id(int32_t) { not_built(); }

}  // namespace notification
