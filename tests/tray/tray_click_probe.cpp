// A tray icon on the test desktop for a driver script to click: a solid
// colour the script can find on the screen, a two-line menu, and every event
// printed as one line. Ends after the menu event or after 60 seconds.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tray_icon.h"
#include "tray_window.h"

namespace {

std::atomic<bool> menu_chosen{false};

void print_event(void*, const notification::tray_event& event) {
    std::string line = "event";
    for (const auto& entry : event) line += " " + entry.first + "=" + std::to_string(entry.second);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (event.size() == 2) menu_chosen = true;
}

// The popup menu of this process once it is open, or null.
HWND open_menu() {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32768", nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned long colour = argc > 1 ? std::strtoul(argv[1], nullptr, 16) : 0xC71585;
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 32 * 32; ++i) {
        pixels.push_back(static_cast<uint8_t>(colour & 0xFF));
        pixels.push_back(static_cast<uint8_t>((colour >> 8) & 0xFF));
        pixels.push_back(static_cast<uint8_t>((colour >> 16) & 0xFF));
        pixels.push_back(255);
    }
    const auto icon = notification::new_tray_icon();
    icon->set_icon_pixels(32, 32, pixels.data());
    icon->set_tooltip("Click probe");
    icon->set_menu_lines({"Open", "Exit"});
    icon->set_callback(&print_event, nullptr);
    std::printf("ready %d\n", icon->id());
    std::fflush(stdout);
    // Tells the driver where the menu is, so that it can click an entry.
    bool menu_reported = false;
    for (int i = 0; i < 600 && !menu_chosen; ++i) {
        if (HWND menu = open_menu(); menu && !menu_reported) {
            RECT rect{};
            GetWindowRect(menu, &rect);
            std::printf("menu %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
            std::fflush(stdout);
            menu_reported = true;
        }
        Sleep(100);
    }
    notification::unregister_tray_icon(icon.get());
    return menu_chosen ? 0 : 1;
}
