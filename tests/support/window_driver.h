// Drives real dialogs from a test: waits on another thread for a dialog
// (message box or dialog resource) of a given caption in this process, reads
// what it shows and presses one of its buttons with window messages.
#ifndef TESTS_SUPPORT_WINDOW_DRIVER_H
#define TESTS_SUPPORT_WINDOW_DRIVER_H

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace window_driver {

struct button {
    int id;
    std::string text;
};

// What a dialog showed when it was found.
struct dialog_snapshot {
    bool found = false;
    std::string caption;
    std::string text;              // the message text (static control 0xFFFF)
    std::vector<button> buttons;   // in child-window order
    HICON icon = nullptr;          // the icon a visible icon control shows, or null
};

inline std::string window_text(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

inline std::string class_name(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct dialog_search {
    const std::string* caption;
    HWND found;
};

inline BOOL CALLBACK match_dialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<dialog_search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && class_name(window) == "#32770" && IsWindowVisible(window) &&
        window_text(window) == *search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The dialog of this process whose caption is exactly `caption`, or null.
inline HWND find_dialog(const std::string& caption) {
    dialog_search search{&caption, nullptr};
    EnumWindows(match_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline BOOL CALLBACK match_popup_menu(HWND window, LPARAM data) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && class_name(window) == "#32768" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
    }
    return TRUE;
}

// The visible popup menu window of this process, or null.
inline HWND find_popup_menu() {
    HWND found = nullptr;
    EnumWindows(match_popup_menu, reinterpret_cast<LPARAM>(&found));
    return found;
}

inline BOOL CALLBACK note_hidden_tray_window(HWND window, LPARAM data) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && class_name(window) == "HiddenTrayIconWindow") {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    }
    return TRUE;
}

// This process's hidden tray windows. Other test programs on the same Wine
// server make and destroy theirs meanwhile: EnumWindows works on a snapshot,
// where a FindWindowExW chain ends early at a window that has just gone.
inline std::vector<HWND> hidden_tray_windows() {
    std::vector<HWND> found;
    EnumWindows(note_hidden_tray_window, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The hidden tray window of this process, or null.
inline HWND hidden_tray_window() {
    const std::vector<HWND> found = hidden_tray_windows();
    return found.empty() ? nullptr : found.front();
}

inline HWND wait_for_dialog(const std::string& caption, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (HWND window = find_dialog(caption)) return window;
        Sleep(20);
    }
    return nullptr;
}

inline BOOL CALLBACK note_control(HWND child, LPARAM data) {
    auto* out = reinterpret_cast<dialog_snapshot*>(data);
    const std::string kind = class_name(child);
    if (kind == "Button" && IsWindowVisible(child)) {
        out->buttons.push_back({GetDlgCtrlID(child), window_text(child)});
    }
    if (kind == "Static" && IsWindowVisible(child) && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        out->icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    }
    return TRUE;
}

inline dialog_snapshot snapshot(HWND dialog) {
    dialog_snapshot result;
    result.found = true;
    result.caption = window_text(dialog);
    if (HWND text = GetDlgItem(dialog, 0xFFFF)) result.text = window_text(text);
    EnumChildWindows(dialog, note_control, reinterpret_cast<LPARAM>(&result));
    return result;
}

// Presses the button as a click would: the dialog gets WM_COMMAND/BN_CLICKED.
inline void press(HWND dialog, int button_id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button_id)));
}

inline BOOL CALLBACK note_dialog(HWND window, LPARAM data) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && class_name(window) == "#32770" && IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    }
    return TRUE;
}

// Presses the first button of every dialog this process shows.
inline void dismiss_other_dialogs() {
    std::vector<HWND> dialogs;
    EnumWindows(note_dialog, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs) {
        const dialog_snapshot seen = snapshot(dialog);
        if (!seen.buttons.empty()) press(dialog, seen.buttons.front().id);
    }
}

// Watches on its own thread for one dialog of the caption, takes its
// snapshot and presses the button that `choose` picks from it (an id; 0
// presses nothing). When none comes in time, it answers every other dialog
// of this process until its result is asked for. Joins on destruction.
class dialog_answerer {
public:
    dialog_answerer(std::string caption, std::function<int(const dialog_snapshot&)> choose,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20))
        : thread_([this, caption = std::move(caption), choose = std::move(choose), timeout] {
              HWND dialog = wait_for_dialog(caption, timeout);
              if (!dialog) {
                  // A box under another caption would block its caller for
                  // good, and on a loaded machine it may appear only after
                  // the timeout; answering it lets the test fail instead of
                  // hang.
                  while (!done_) {
                      dismiss_other_dialogs();
                      Sleep(20);
                  }
                  return;
              }
              seen_ = snapshot(dialog);
              if (const int id = choose(seen_)) press(dialog, id);
          }) {}

    // Presses the button with the given id.
    dialog_answerer(std::string caption, int button_id,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20))
        : dialog_answerer(std::move(caption), [button_id](const dialog_snapshot&) { return button_id; }, timeout) {}

    ~dialog_answerer() { join(); }
    dialog_answerer(const dialog_answerer&) = delete;
    dialog_answerer& operator=(const dialog_answerer&) = delete;

    // Waits for the watcher and returns what it saw (found is false when no
    // dialog came in time).
    const dialog_snapshot& seen() {
        join();
        return seen_;
    }

private:
    void join() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
    }
    dialog_snapshot seen_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace window_driver

#endif
