// The real notification area of the test desktop's taskbar: it accepts the
// package's icons and their changes, and drops them when they are cleared.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "shell_notify.h"
#include "shell_recorder.h"
#include "tray_icon.h"
#include "tray_test_support.h"
#include "tray_window.h"

namespace {

using notification::tray_icon;

// Passes every request on to the shell and keeps its answer.
struct answered_request {
    DWORD message;
    UINT id;
    BOOL answer;
};
std::mutex answers_mutex;
std::vector<answered_request> answers;

BOOL WINAPI pass_to_shell(DWORD message, NOTIFYICONDATAW* data) {
    const BOOL answer = Shell_NotifyIconW(message, data);
    std::lock_guard<std::mutex> lock(answers_mutex);
    answers.push_back({message, data->uID, answer});
    return answer;
}

std::vector<answered_request> take_answers() {
    std::lock_guard<std::mutex> lock(answers_mutex);
    std::vector<answered_request> taken;
    taken.swap(answers);
    return taken;
}

// Asks the notification area whether it holds the icon: it accepts a change
// only for an icon it has.
bool shell_holds_icon(HWND window, int32_t id) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = static_cast<UINT>(id);
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = 0x8001;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

TEST(TrayDesktop, TheNotificationAreaTakesTheIconsAndDropsThemWhenCleared) {
    ASSERT_NE(FindWindowA("Shell_TrayWnd", nullptr), nullptr) << "no taskbar: not on the test desktop";
    notification::shell_notify_icon_call = &pass_to_shell;

    std::vector<std::shared_ptr<tray_icon>> icons;
    for (int i = 0; i < 2; ++i) {
        icons.push_back(notification::new_tray_icon());
        icons.back()->set_stock_icon(notification::builtin_logo_stock_id);
        icons.back()->set_tooltip("Tray test icon " + std::to_string(i));
    }
    const auto pixels = tray_test::patterned_pixels(32, 32);
    icons[1]->set_icon_pixels(32, 32, pixels.data());
    icons[0]->show_balloon("Balloon", "from the tray test", nullptr);
    icons[0]->show_tooltip();

    const auto answered = take_answers();
    EXPECT_EQ(answered.size(), 2u * 4 + 3);
    for (const answered_request& request : answered) {
        SCOPED_TRACE("request " + std::to_string(request.message) + " of icon " + std::to_string(request.id));
        EXPECT_TRUE(request.answer) << "the shell refused the request";
    }
    const HWND window = tray_test::hidden_window();
    ASSERT_NE(window, nullptr);
    const int32_t first_id = icons[0]->id();
    const int32_t second_id = icons[1]->id();
    EXPECT_TRUE(shell_holds_icon(window, first_id));
    EXPECT_TRUE(shell_holds_icon(window, second_id));
    EXPECT_FALSE(shell_holds_icon(window, second_id + 1)) << "the shell accepts changes of icons it never had";

    tray_test::clear_icon(icons[0]);
    EXPECT_FALSE(shell_holds_icon(window, first_id));
    EXPECT_TRUE(shell_holds_icon(window, second_id));
    notification::destroy_all_tray_icons();
    icons.clear();
    EXPECT_FALSE(shell_holds_icon(window, second_id));
    const auto removed = take_answers();
    ASSERT_EQ(removed.size(), 2u);
    for (const answered_request& request : removed) {
        EXPECT_EQ(request.message, static_cast<DWORD>(NIM_DELETE));
        EXPECT_TRUE(request.answer);
    }
    notification::shell_notify_icon_call = &Shell_NotifyIconW;
}

}  // namespace
