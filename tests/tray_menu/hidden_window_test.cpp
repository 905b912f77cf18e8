// Context menus through the hidden window, as the shell drives it: a right
// click posted as the tray callback message, the popup answered with keys,
// and the event the icon's callback gets on the tray thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "context_menu.h"
#include "menu_reader.h"
#include "shell_notify.h"
#include "tray_icon.h"
#include "tray_window.h"

namespace {

using menu_reader::popup_chooser;
using notification::string_tuple;
using notification::tray_event;

// The events of one icon's callback, which runs on the tray thread.
class event_log {
public:
    static void record(void* log, const tray_event& event) { static_cast<event_log*>(log)->add(event); }

    void add(const tray_event& event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
        arrived_.notify_all();
    }
    // The events once `count` have come, or what came within the time.
    std::vector<tray_event> wait_for(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
        return events_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<tray_event> events_;
};

tray_event menu_event(int32_t icon, int32_t line) {
    return {{"tray_context_menu_select", icon}, {"tray_context_menu_index", line}};
}

BOOL WINAPI accepting_shell_notify(DWORD, NOTIFYICONDATAW*) { return TRUE; }

string_tuple numbered_lines(size_t count) {
    string_tuple lines;
    for (size_t i = 0; i < count; ++i) lines.push_back("Line " + std::to_string(i));
    return lines;
}

// This process's hidden window: test programs running at the same time have
// their own.
BOOL CALLBACK note_hidden_window(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (process != GetCurrentProcessId() || std::wstring(name) != L"HiddenTrayIconWindow") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

class HiddenWindowMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_shell_notify_ = notification::shell_notify_icon_call;
        notification::shell_notify_icon_call = accepting_shell_notify;
    }
    void TearDown() override {
        for (const auto& icon : icons_) notification::unregister_tray_icon(icon.get());
        icons_.clear();
        notification::shell_notify_icon_call = saved_shell_notify_;
    }

    // A registered record whose events go to the log.
    std::shared_ptr<notification::tray_icon> icon_with_log(event_log& log) {
        std::shared_ptr<notification::tray_icon> icon = notification::new_tray_icon();
        icon->set_callback(event_log::record, &log);
        icons_.push_back(icon);
        return icon;
    }

    // The first record whose id is at least `id`, skipping ids on the way.
    std::shared_ptr<notification::tray_icon> icon_with_log_from_id(event_log& log, int32_t id) {
        for (;;) {
            std::shared_ptr<notification::tray_icon> icon = icon_with_log(log);
            if (icon->id() >= id) return icon;
        }
    }

    static HWND hidden_window() {
        HWND found = nullptr;
        EnumWindows(note_hidden_window, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    // What the shell posts when the user asks for the icon's menu at (x, y).
    static void right_click(int32_t icon_id, int16_t x = 40, int16_t y = 30) {
        PostMessageW(hidden_window(), notification::tray_callback_message,
                     MAKEWPARAM(static_cast<WORD>(x), static_cast<WORD>(y)),
                     MAKELPARAM(WM_CONTEXTMENU, static_cast<WORD>(icon_id)));
    }

private:
    notification::shell_notify_function saved_shell_notify_ = nullptr;
    std::vector<std::shared_ptr<notification::tray_icon>> icons_;
};

TEST_F(HiddenWindowMenuTest, AChosenEntryBecomesTheIconsMenuEvent) {
    event_log log;
    auto icon = icon_with_log(log);
    ASSERT_NE(hidden_window(), nullptr);
    notification::set_tray_icon_menu(icon->id(), {"File", "  Open", "  Recent", "    a.txt", "Exit"});

    popup_chooser chooser({VK_DOWN, VK_RIGHT, VK_DOWN, VK_RIGHT, VK_RETURN});
    right_click(icon->id());
    ASSERT_TRUE(chooser.popup_seen());
    EXPECT_FALSE(chooser.left_open());
    EXPECT_EQ(log.wait_for(1), std::vector<tray_event>{menu_event(icon->id(), 3)});
}

TEST_F(HiddenWindowMenuTest, AnEmptyTupleOrTextThatIsNotUtf8ShowsNoMenuAndOtherEventsStillCome) {
    event_log log;
    auto icon = icon_with_log(log);
    for (const string_tuple& lines : {string_tuple{"Open", "\xC3("}, string_tuple{}}) {
        notification::set_tray_icon_menu(icon->id(), {"Open"});
        notification::set_tray_icon_menu(icon->id(), lines);
        popup_chooser chooser({VK_RETURN}, std::chrono::milliseconds(1000));
        right_click(icon->id());
        EXPECT_FALSE(chooser.popup_seen()) << ::testing::PrintToString(lines);
    }
    PostMessageW(hidden_window(), notification::tray_callback_message, 0, MAKELPARAM(NIN_SELECT, icon->id()));
    EXPECT_EQ(log.wait_for(1), (std::vector<tray_event>{{{"tray_icon_select", icon->id()}}}));
}

// Line 1000 of an icon would be numbered as line 0 of the next icon.
TEST_F(HiddenWindowMenuTest, ALineAtIndex1000ReachesItsOwnIconAndNoOther) {
    event_log log;
    event_log next_log;
    auto icon = icon_with_log(log);
    auto next = icon_with_log(next_log);
    ASSERT_EQ(next->id(), icon->id() + 1);
    ASSERT_LE(next->id(), 65) << "the icons of this test must be inside the command limit";
    notification::set_tray_icon_menu(icon->id(), numbered_lines(1001));
    notification::set_tray_icon_menu(next->id(), {"Next"});

    popup_chooser chooser({VK_UP, VK_RETURN});
    right_click(icon->id());
    ASSERT_TRUE(chooser.popup_seen());
    EXPECT_EQ(log.wait_for(1), std::vector<tray_event>{menu_event(icon->id(), 1000)});
    EXPECT_TRUE(next_log.wait_for(1, std::chrono::milliseconds(300)).empty());

    // The neighbour's own menu still numbers as usual.
    popup_chooser next_chooser({VK_DOWN, VK_RETURN});
    right_click(next->id());
    ASSERT_TRUE(next_chooser.popup_seen());
    EXPECT_EQ(next_log.wait_for(1), std::vector<tray_event>{menu_event(next->id(), 0)});
}

TEST_F(HiddenWindowMenuTest, AnIconAboveId65GetsItsOwnEvent) {
    event_log log;
    auto icon = icon_with_log_from_id(log, 66);
    notification::set_tray_icon_menu(icon->id(), {"Open", "-", "Exit"});

    popup_chooser chooser({VK_DOWN, VK_DOWN, VK_RETURN});
    right_click(icon->id());
    ASSERT_TRUE(chooser.popup_seen());
    EXPECT_EQ(log.wait_for(1), std::vector<tray_event>{menu_event(icon->id(), 2)});
}

}  // namespace
