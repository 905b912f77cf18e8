#include "tray_window.h"

#include <stdexcept>

namespace notification {

std::shared_ptr<tray_icon> new_tray_icon() { throw std::logic_error("not built"); }
LRESULT CALLBACK tray_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(window, message, wparam, lparam);
}
DWORD WINAPI message_loop_thread(LPVOID) { return 0; }
void shutdown_tray_window() {}

}  // namespace notification
