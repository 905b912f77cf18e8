// Reads a real menu back, item by item, and chooses entries of an open popup
// menu with the keyboard messages a user's keys would give.
#ifndef TESTS_TRAY_MENU_MENU_READER_H
#define TESTS_TRAY_MENU_MENU_READER_H

#include <windows.h>

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "window_driver.h"

namespace menu_reader {

enum class kind { entry, separator, submenu };

// One item as the menu holds it; submenus are walked depth first, so a whole
// tree reads as rows in the order a user sees them.
struct item_row {
    int level;
    kind type;
    std::wstring text;
    bool checked;
    UINT id;  // entries and separators only; submenu items carry their handle
    bool operator==(const item_row& other) const {
        return level == other.level && type == other.type && text == other.text && checked == other.checked &&
               id == other.id;
    }
};

inline std::ostream& operator<<(std::ostream& out, const item_row& row) {
    static const char* const kinds[] = {"entry", "separator", "submenu"};
    out << "{level " << row.level << ", " << kinds[static_cast<int>(row.type)] << ", \"";
    for (wchar_t c : row.text) {
        if (c >= 0x20 && c < 0x7F) out << static_cast<char>(c);
        else out << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
    }
    return out << "\", " << (row.checked ? "checked" : "unchecked") << ", id " << row.id << "}";
}

inline item_row entry(int level, const std::wstring& text, UINT id, bool checked = false) {
    return {level, kind::entry, text, checked, id};
}
inline item_row separator(int level, UINT id) { return {level, kind::separator, L"", false, id}; }
inline item_row submenu(int level, const std::wstring& text, bool checked = false) {
    return {level, kind::submenu, text, checked, 0};
}

inline void read_into(HMENU menu, int level, std::vector<item_row>& rows) {
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
            rows.push_back({level, kind::entry, L"<unreadable>", false, 0});
            continue;
        }
        // The check mark as GetMenuState reports it, beside the item's state.
        const UINT state = GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION);
        const bool checked = (info.fState & MFS_CHECKED) != 0 && (state & MF_CHECKED) != 0;
        if (info.hSubMenu) {
            rows.push_back({level, kind::submenu, text, checked, 0});
            read_into(info.hSubMenu, level + 1, rows);
        } else if (info.fType & MFT_SEPARATOR) {
            rows.push_back({level, kind::separator, L"", checked, info.wID});
        } else {
            rows.push_back({level, kind::entry, text, checked, info.wID});
        }
    }
}

inline std::vector<item_row> read_menu(HMENU menu) {
    std::vector<item_row> rows;
    read_into(menu, 0, rows);
    return rows;
}

// On its own thread: waits for a popup menu of this process and posts the
// keys to it, one key down each. A popup still open a while after the keys
// is closed with Escape, so a wrong choice fails the test instead of hanging
// it. Joins on destruction.
class popup_chooser {
public:
    explicit popup_chooser(std::vector<WPARAM> keys, std::chrono::milliseconds timeout = std::chrono::seconds(10))
        : thread_([this, keys = std::move(keys), timeout] {
              const auto deadline = std::chrono::steady_clock::now() + timeout;
              HWND popup = nullptr;
              while (!(popup = window_driver::find_popup_menu()) && std::chrono::steady_clock::now() < deadline) {
                  Sleep(10);
              }
              if (!popup) return;
              GetWindowRect(popup, &popup_rect_);
              foreground_ = GetForegroundWindow();
              popup_seen_ = true;
              for (WPARAM key : keys) PostMessageW(popup, WM_KEYDOWN, key, 0);
              const auto close_after = std::chrono::steady_clock::now() + std::chrono::seconds(5);
              while (window_driver::find_popup_menu() && std::chrono::steady_clock::now() < close_after) Sleep(10);
              while (HWND open = window_driver::find_popup_menu()) {
                  left_open_ = true;
                  PostMessageW(open, WM_KEYDOWN, VK_ESCAPE, 0);
                  Sleep(50);
              }
          }) {}
    ~popup_chooser() { join(); }
    popup_chooser(const popup_chooser&) = delete;
    popup_chooser& operator=(const popup_chooser&) = delete;

    void join() {
        if (thread_.joinable()) thread_.join();
    }
    // Whether a popup came at all, and whether it had to be closed by force.
    bool popup_seen() {
        join();
        return popup_seen_;
    }
    bool left_open() {
        join();
        return left_open_;
    }
    // Where the popup was, and the foreground window while it was open.
    RECT popup_rect() {
        join();
        return popup_rect_;
    }
    HWND foreground() {
        join();
        return foreground_;
    }

private:
    std::atomic<bool> popup_seen_{false};
    std::atomic<bool> left_open_{false};
    RECT popup_rect_{};
    HWND foreground_ = nullptr;
    std::thread thread_;
};

}  // namespace menu_reader

#endif
