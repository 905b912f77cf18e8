// The hidden window as the shell drives it: its callback message and menu
// commands sent to it from outside, and the events they become.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "event_recorder.h"
#include "shell_recorder.h"
#include "tray_icon.h"
#include "tray_test_support.h"
#include "tray_window.h"

namespace {

using notification::tray_event;
using notification::tray_icon;

constexpr UINT callback_message = 0x8001;

class TrayWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        icon = notification::new_tray_icon();
        icon->set_callback(&tray_test::event_recorder::record, &queue);
        window = tray_test::hidden_window();
        ASSERT_NE(window, nullptr);
        shell.take();
        tray_test::event_recorder::take();
    }
    void TearDown() override {
        if (icon) tray_test::clear_icon(icon);
    }

    // As the shell does with version 4: the notification and the icon id in
    // lParam, the anchor point in wParam.
    LRESULT shell_notifies(UINT notification, int32_t shell_id, int x = 0, int y = 0) {
        return SendMessageW(window, callback_message,
                            MAKEWPARAM(static_cast<WORD>(static_cast<int16_t>(x)), static_cast<WORD>(static_cast<int16_t>(y))),
                            MAKELPARAM(notification, static_cast<WORD>(shell_id)));
    }
    LRESULT menu_command(int command) { return SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

    int queue = 0;  // stands for the message queue handed to the callback
    tray_test::shell_recorder shell;
    tray_test::menu_recorder menus;
    std::shared_ptr<tray_icon> icon;
    HWND window = nullptr;
};

TEST_F(TrayWindowTest, TheShellsNotificationsBecomeEventsAndTooltipRequests) {
    struct notification_case {
        const char* name;
        UINT notification;
        std::vector<std::string> event_keys;  // each with the icon's id
        bool asks_for_tooltip;
    };
    const notification_case cases[] = {
        {"click", NIN_SELECT, {"tray_icon_select"}, false},
        {"balloon click", NIN_BALLOONUSERCLICK, {"tray_balloon_click"}, true},
        {"balloon timeout", NIN_BALLOONTIMEOUT, {}, true},
        {"keyboard select", NIN_KEYSELECT, {}, false},
        {"mouse move", WM_MOUSEMOVE, {}, false},
        {"balloon shown", NIN_BALLOONSHOW, {}, false},
    };
    const DWORD tray_thread = GetWindowThreadProcessId(window, nullptr);
    for (const notification_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(shell_notifies(c.notification, icon->id()), 1);
        const auto events = tray_test::event_recorder::take();
        tray_event expected;
        for (const std::string& key : c.event_keys) expected.push_back({key, icon->id()});
        if (expected.empty()) {
            EXPECT_TRUE(events.empty());
        } else {
            ASSERT_EQ(events.size(), 1u);
            EXPECT_EQ(events[0].event, expected);
            EXPECT_EQ(events[0].user_data, &queue);
            EXPECT_EQ(events[0].thread_id, tray_thread);
        }
        const auto requests = shell.take();
        if (c.asks_for_tooltip) {
            tray_test::expect_requests(requests, {{NIM_MODIFY, NIF_SHOWTIP}}, window, icon->id());
            ASSERT_EQ(requests.size(), 1u);
            EXPECT_EQ(requests[0].thread_id, tray_thread);
        } else {
            EXPECT_TRUE(requests.empty());
        }
    }
    EXPECT_TRUE(menus.take().empty());
}

TEST_F(TrayWindowTest, NotificationsForIconsNotRegisteredAreConsumedWithoutEffect) {
    std::shared_ptr<tray_icon> cleared = notification::new_tray_icon();
    cleared->set_callback(&tray_test::event_recorder::record, &queue);
    cleared->set_menu_lines({"Open"});
    const int32_t cleared_id = cleared->id();
    tray_test::clear_icon(cleared);
    shell.take();
    for (const int32_t id : {cleared_id, 0, 1, 9999}) {
        SCOPED_TRACE(id);
        for (const UINT notification : {NIN_SELECT, NIN_BALLOONUSERCLICK, NIN_BALLOONTIMEOUT, WM_CONTEXTMENU}) {
            EXPECT_EQ(shell_notifies(notification, id), 1);
        }
        EXPECT_EQ(menu_command(id * 1000 + 100), 1);
    }
    EXPECT_TRUE(tray_test::event_recorder::take().empty());
    EXPECT_TRUE(shell.take().empty());
    EXPECT_TRUE(menus.take().empty());
}

TEST_F(TrayWindowTest, AnIconWithoutCallbackDropsItsEvents) {
    std::shared_ptr<tray_icon> silent = notification::new_tray_icon();
    silent->set_menu_lines({"Open"});
    EXPECT_EQ(shell_notifies(NIN_SELECT, silent->id()), 1);
    EXPECT_EQ(shell_notifies(NIN_BALLOONUSERCLICK, silent->id()), 1);
    EXPECT_EQ(menu_command(silent->id() * 1000 + 100), 0);
    menus.answer(0);
    EXPECT_EQ(shell_notifies(WM_CONTEXTMENU, silent->id()), 1);
    EXPECT_TRUE(tray_test::event_recorder::take().empty());
    // Its neighbour still gets its own.
    shell_notifies(NIN_SELECT, icon->id());
    const auto events = tray_test::event_recorder::take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, (tray_event{{"tray_icon_select", icon->id()}}));
    tray_test::clear_icon(silent);
}

// A callback that holds the tray thread until the test lets it go, as an
// enqueue into a full HALCON queue whose reader is the clearing thread does.
// Given a recorder, it notes at its end the shell requests made while it ran.
struct held_callback {
    explicit held_callback(tray_test::shell_recorder* recorder = nullptr) : shell(recorder) {}
    ~held_callback() {
        CloseHandle(entered);
        CloseHandle(release);
    }
    held_callback(const held_callback&) = delete;
    held_callback& operator=(const held_callback&) = delete;
    static void hold(void* user_data, const tray_event&) {
        auto& self = *static_cast<held_callback*>(user_data);
        ++self.calls;
        SetEvent(self.entered);
        WaitForSingleObject(self.release, 120000);
        if (self.shell) self.requests_while_running = self.shell->take();
    }

    tray_test::shell_recorder* shell;
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> calls{0};
    std::vector<tray_test::recorded_request> requests_while_running;
};

TEST_F(TrayWindowTest, ClearingAnIconWaitsForItsRunningCallbackAndEndsItsEvents) {
    held_callback held;
    icon->set_callback(&held_callback::hold, &held);
    PostMessageW(window, callback_message, 0, MAKELPARAM(NIN_SELECT, icon->id()));
    ASSERT_EQ(WaitForSingleObject(held.entered, 10000), WAIT_OBJECT_0);

    std::atomic<bool> cleared{false};
    std::thread clearing([&] {
        tray_test::clear_icon(icon);
        cleared = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(cleared) << "the clear returned while the icon's callback still ran";
    SetEvent(held.release);
    clearing.join();
    EXPECT_TRUE(cleared);
    EXPECT_EQ(held.calls, 1);
}

TEST_F(TrayWindowTest, ACallbackMayClearItsOwnIcon) {
    static std::shared_ptr<tray_icon>* clearing_icon = nullptr;
    clearing_icon = &icon;
    icon->set_callback([](void*, const tray_event&) { tray_test::clear_icon(*clearing_icon); }, nullptr);
    const int32_t id = icon->id();
    EXPECT_EQ(shell_notifies(NIN_SELECT, id), 1);
    EXPECT_EQ(icon, nullptr);
    EXPECT_EQ(notification::find_tray_icon(id), nullptr);
}

TEST_F(TrayWindowTest, ARightClickShowsTheIconsLinesAtTheSignedPointTheShellReports) {
    const notification::string_tuple lines = {"Open", "  Sub", "-", "[X] Exit"};
    icon->set_menu_lines(lines);
    struct anchor {
        int x;
        int y;
    };
    // Monitors left of and above the primary one report negative points.
    const anchor anchors[] = {{-300, -20}, {-1, -32768}, {1500, 700}, {32767, 0}};
    const DWORD tray_thread = GetWindowThreadProcessId(window, nullptr);
    for (const anchor& at : anchors) {
        SCOPED_TRACE(std::to_string(at.x) + "," + std::to_string(at.y));
        EXPECT_EQ(shell_notifies(WM_CONTEXTMENU, icon->id(), at.x, at.y), 1);
        const auto shown = menus.take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].lines, lines);
        EXPECT_EQ(shown[0].owner, window);
        EXPECT_EQ(shown[0].at.x, at.x);
        EXPECT_EQ(shown[0].at.y, at.y);
        EXPECT_EQ(shown[0].first_command_id, icon->id() * 1000 + 100);
        EXPECT_EQ(shown[0].thread_id, tray_thread);
    }
    // A choice sent as WM_COMMAND is not also reported by the window.
    EXPECT_TRUE(tray_test::event_recorder::take().empty());

    icon->set_menu_lines({});
    EXPECT_EQ(shell_notifies(WM_CONTEXTMENU, icon->id(), 10, 10), 1);
    EXPECT_TRUE(menus.take().empty());
    EXPECT_TRUE(tray_test::event_recorder::take().empty());
}

TEST_F(TrayWindowTest, MenuCommandsAreDecodedToTheirIconAndLine) {
    ASSERT_LE(icon->id(), 65) << "this test needs an icon inside the 16-bit command range";
    const int base = icon->id() * 1000 + 100;
    struct command_case {
        int command;
        bool gives_event;
        int line;
    };
    const command_case cases[] = {
        {base, true, 0}, {base + 3, true, 3}, {base + 999, true, 999}, {99, false, 0}, {0, false, 0}, {1, false, 0},
    };
    for (const command_case& c : cases) {
        SCOPED_TRACE(c.command);
        menu_command(c.command);
        const auto events = tray_test::event_recorder::take();
        if (!c.gives_event) {
            EXPECT_TRUE(events.empty());
            continue;
        }
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].event,
                  (tray_event{{"tray_context_menu_select", icon->id()}, {"tray_context_menu_index", c.line}}));
        EXPECT_EQ(events[0].user_data, &queue);
    }
}

TEST_F(TrayWindowTest, AChoiceThePopupHandsBackGoesToItsOwnIconAndLine) {
    // Menus whose command ids would not survive WM_COMMAND: show_tray_menu
    // returns the chosen line and the window reports it.
    notification::string_tuple lines(1500, "entry");
    icon->set_menu_lines(lines);
    menus.answer(1200);
    EXPECT_EQ(shell_notifies(WM_CONTEXTMENU, icon->id(), 5, 5), 1);
    ASSERT_EQ(menus.take().size(), 1u);
    auto events = tray_test::event_recorder::take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event,
              (tray_event{{"tray_context_menu_select", icon->id()}, {"tray_context_menu_index", 1200}}));

    // The icon cleared while its menu was open: the choice goes nowhere.
    menus.answer(3, [this] { tray_test::clear_icon(icon); });
    EXPECT_EQ(shell_notifies(WM_CONTEXTMENU, icon->id(), 5, 5), 1);
    EXPECT_TRUE(tray_test::event_recorder::take().empty());
}

TEST_F(TrayWindowTest, IconsPastTheCommandRangeGetNoNumberThatAliasesAnother) {
    // Ids keep growing; make this icon's id pass 65 (every command id of
    // icon 66 leaves 16 bits).
    std::shared_ptr<tray_icon> high;
    while (!high || high->id() <= 65) {
        if (high) tray_test::clear_icon(high);
        high = notification::new_tray_icon();
    }
    high->set_callback(&tray_test::event_recorder::record, &queue);
    high->set_menu_lines({"Open", "Exit"});
    EXPECT_EQ(shell_notifies(WM_CONTEXTMENU, high->id(), 5, 5), 1);
    const auto shown = menus.take();
    ASSERT_EQ(shown.size(), 1u);
    // The popup learns the true first command id and decides that it does
    // not fit (it then numbers the entries itself and returns the choice).
    EXPECT_EQ(shown[0].first_command_id, high->id() * 1000 + 100);
    EXPECT_FALSE(notification::menu_commands_fit(shown[0].first_command_id, 2));
    EXPECT_TRUE(notification::menu_commands_fit(65 * 1000 + 100, 436));
    EXPECT_FALSE(notification::menu_commands_fit(65 * 1000 + 100, 437));
    EXPECT_FALSE(notification::menu_commands_fit(2 * 1000 + 100, 1001));
    tray_test::clear_icon(high);
}

size_t deletes_of(const std::vector<tray_test::recorded_request>& requests, int32_t id) {
    size_t count = 0;
    for (const auto& request : requests) {
        if (request.message == NIM_DELETE && request.data.uID == static_cast<UINT>(id)) ++count;
    }
    return count;
}

TEST_F(TrayWindowTest, AClearReturnsWhileACallbackStaysBlockedAndTheRecordGoesAfterIt) {
    struct clear_case {
        const char* name;
        void (*clear)(std::shared_ptr<tray_icon>& icon);
    };
    const clear_case cases[] = {
        {"clear_tray_icon", [](std::shared_ptr<tray_icon>& icon) { tray_test::clear_icon(icon); }},
        {"clear_all_tray_icons",
         [](std::shared_ptr<tray_icon>& icon) {
             notification::destroy_all_tray_icons();
             icon.reset();
         }},
    };
    // Only a hang detector: the clear gives up on the callback long before.
    constexpr DWORD hang_limit_ms = 20000;
    for (const clear_case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!icon) icon = notification::new_tray_icon();
        const int32_t id = icon->id();
        held_callback blocked(&shell);
        icon->set_callback(&held_callback::hold, &blocked);
        PostMessageW(window, callback_message, 0, MAKELPARAM(NIN_SELECT, id));
        ASSERT_EQ(WaitForSingleObject(blocked.entered, 10000), WAIT_OBJECT_0);
        // Waits behind the blocked callback; it comes after the clear.
        PostMessageW(window, callback_message, 0, MAKELPARAM(NIN_SELECT, id));
        shell.take();

        HANDLE cleared = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread clearing([&] {
            c.clear(icon);
            SetEvent(cleared);
        });
        const bool returned = WaitForSingleObject(cleared, hang_limit_ms) == WAIT_OBJECT_0;
        EXPECT_TRUE(returned) << "the clear waited for a callback that does not end";
        SetEvent(blocked.release);
        clearing.join();
        CloseHandle(cleared);

        // Posted last: once its event is there, the tray thread has handled
        // everything before it.
        std::shared_ptr<tray_icon> marker = notification::new_tray_icon();
        marker->set_callback(&tray_test::event_recorder::record, &queue);
        PostMessageW(window, callback_message, 0, MAKELPARAM(NIN_SELECT, marker->id()));
        std::vector<tray_test::seen_event> marker_events;
        for (int waited = 0; marker_events.empty() && waited < 1000; ++waited) {
            marker_events = tray_test::event_recorder::take();
            if (marker_events.empty()) Sleep(10);
        }
        ASSERT_EQ(marker_events.size(), 1u);
        EXPECT_EQ(marker_events[0].event, (tray_event{{"tray_icon_select", marker->id()}}));

        EXPECT_EQ(blocked.calls, 1) << "an event reached the icon after its clear";
        EXPECT_EQ(deletes_of(blocked.requests_while_running, id), 0u) << "the icon went while its callback ran";
        EXPECT_EQ(deletes_of(shell.take(), id), 1u) << "the icon was not removed after its callback ended";
        EXPECT_EQ(notification::find_tray_icon(id), nullptr);
        tray_test::clear_icon(marker);
    }
}

}  // namespace
