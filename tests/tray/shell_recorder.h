// Test side of the shell seam: records every request the tray layer hands
// Shell_NotifyIconW, on whichever thread, and answers as the test says.
#ifndef TESTS_TRAY_SHELL_RECORDER_H
#define TESTS_TRAY_SHELL_RECORDER_H

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "shell_notify.h"
#include "window_driver.h"

namespace tray_test {

// One request as the shell sees it: the message and the members the tray
// layer fills; everything else must be zero (checked separately).
struct shell_row {
    shell_row() = default;
    shell_row(DWORD message_sent, UINT flags_set, UINT callback = 0, UINT version = 0)
        : message(message_sent), flags(flags_set), callback_message(callback), version_or_timeout(version) {}

    DWORD message = 0;
    UINT flags = 0;
    UINT callback_message = 0;
    UINT version_or_timeout = 0;
    HICON icon = nullptr;
    HICON balloon_icon = nullptr;
    DWORD info_flags = 0;
    std::wstring tip;
    std::wstring title;
    std::wstring info;

    bool operator==(const shell_row& other) const {
        return message == other.message && flags == other.flags && callback_message == other.callback_message &&
               version_or_timeout == other.version_or_timeout && icon == other.icon &&
               balloon_icon == other.balloon_icon && info_flags == other.info_flags && tip == other.tip &&
               title == other.title && info == other.info;
    }
};

inline std::string narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) result += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return result;
}

inline void PrintTo(const shell_row& row, std::ostream* out) {
    *out << "{message " << row.message << ", flags 0x" << std::hex << row.flags << ", callback 0x"
         << row.callback_message << std::dec << ", version/timeout " << row.version_or_timeout << ", icon "
         << row.icon << ", balloon icon " << row.balloon_icon << ", info flags 0x" << std::hex << row.info_flags
         << std::dec << ", tip \"" << narrow(row.tip) << "\" (" << row.tip.size() << "), title \""
         << narrow(row.title) << "\" (" << row.title.size() << "), info \"" << narrow(row.info) << "\" ("
         << row.info.size() << ")}";
}

struct recorded_request {
    DWORD message;
    NOTIFYICONDATAW data;
    DWORD thread_id;
};

inline shell_row row_of(const recorded_request& request) {
    const NOTIFYICONDATAW& d = request.data;
    shell_row row;
    row.message = request.message;
    row.flags = d.uFlags;
    row.callback_message = d.uCallbackMessage;
    row.version_or_timeout = d.uVersion;
    row.icon = d.hIcon;
    row.balloon_icon = d.hBalloonIcon;
    row.info_flags = d.dwInfoFlags;
    row.tip = d.szTip;
    row.title = d.szInfoTitle;
    row.info = d.szInfo;
    return row;
}

// The whole structure a row stands for, zero-filled elsewhere.
inline NOTIFYICONDATAW structure_of(const shell_row& row, HWND window, UINT id) {
    NOTIFYICONDATAW d;
    std::memset(&d, 0, sizeof(d));
    d.cbSize = sizeof(d);
    d.hWnd = window;
    d.uID = id;
    d.uFlags = row.flags;
    d.uCallbackMessage = row.callback_message;
    d.uVersion = row.version_or_timeout;
    d.hIcon = row.icon;
    d.hBalloonIcon = row.balloon_icon;
    d.dwInfoFlags = row.info_flags;
    std::memcpy(d.szTip, row.tip.c_str(), (row.tip.size() + 1) * sizeof(wchar_t));
    std::memcpy(d.szInfoTitle, row.title.c_str(), (row.title.size() + 1) * sizeof(wchar_t));
    std::memcpy(d.szInfo, row.info.c_str(), (row.info.size() + 1) * sizeof(wchar_t));
    return d;
}

// Puts the recorder in for its lifetime and the previous call back after.
class shell_recorder {
public:
    shell_recorder() : saved_(notification::shell_notify_icon_call) {
        std::lock_guard<std::mutex> lock(mutex());
        requests().clear();
        failing_message() = fail_nothing;
        notification::shell_notify_icon_call = &record;
    }
    ~shell_recorder() { notification::shell_notify_icon_call = saved_; }
    shell_recorder(const shell_recorder&) = delete;
    shell_recorder& operator=(const shell_recorder&) = delete;

    static constexpr DWORD fail_nothing = 0xFFFFFFFF;
    // Requests with this message get FALSE from now on.
    void fail(DWORD message) {
        std::lock_guard<std::mutex> lock(mutex());
        failing_message() = message;
    }

    std::vector<recorded_request> take() {
        std::lock_guard<std::mutex> lock(mutex());
        std::vector<recorded_request> taken;
        taken.swap(requests());
        return taken;
    }

    // Waits until `count` requests are there (the tray thread's come
    // asynchronously); takes them all.
    std::vector<recorded_request> take_at_least(size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex());
                if (requests().size() >= count || std::chrono::steady_clock::now() > deadline) break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return take();
    }

    static std::vector<shell_row> rows(const std::vector<recorded_request>& taken) {
        std::vector<shell_row> result;
        for (const recorded_request& request : taken) result.push_back(row_of(request));
        return result;
    }

    // The recording call itself, for a library's own copy of the seam.
    static BOOL WINAPI record(DWORD message, NOTIFYICONDATAW* data) {
        std::lock_guard<std::mutex> lock(mutex());
        requests().push_back({message, *data, GetCurrentThreadId()});
        return message == failing_message() ? FALSE : TRUE;
    }

private:
    static std::mutex& mutex() {
        static std::mutex instance;
        return instance;
    }
    static std::vector<recorded_request>& requests() {
        static std::vector<recorded_request> instance;
        return instance;
    }
    static DWORD& failing_message() {
        static DWORD instance = fail_nothing;
        return instance;
    }
    notification::shell_notify_function saved_;
};

// Every request addressed to the icon and otherwise exactly its row.
inline void expect_requests(const std::vector<recorded_request>& taken, const std::vector<shell_row>& expected,
                            HWND window, int32_t id) {
    EXPECT_EQ(shell_recorder::rows(taken), expected);
    for (const recorded_request& request : taken) {
        const NOTIFYICONDATAW whole = structure_of(row_of(request), window, static_cast<UINT>(id));
        EXPECT_EQ(std::memcmp(&whole, &request.data, sizeof(whole)), 0)
            << "request " << request.message << " carries bytes beyond its row, or the wrong size, window or id";
    }
}

// This process's hidden tray windows, and the first of them.
inline std::vector<HWND> hidden_windows() { return window_driver::hidden_tray_windows(); }
inline HWND hidden_window() { return window_driver::hidden_tray_window(); }

}  // namespace tray_test

#endif
