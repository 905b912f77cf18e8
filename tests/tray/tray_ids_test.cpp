// Ids as a process sees them from its first tray icon on: the first ids
// handed out, ids never reused, and ids past the shell's 16 bits. One test,
// as it depends on being the first to make icons in its process.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <vector>

#include "event_recorder.h"
#include "shell_recorder.h"
#include "tray_icon.h"
#include "tray_test_support.h"
#include "tray_window.h"

namespace {

using notification::new_tray_icon;
using notification::tray_event;
using notification::tray_icon;

int hidden_windows_of_this_process() { return static_cast<int>(tray_test::hidden_windows().size()); }

LRESULT click(HWND window, int32_t shell_id) {
    return SendMessageW(window, 0x8001, 0, MAKELPARAM(NIN_SELECT, static_cast<WORD>(shell_id)));
}

TEST(TrayIds, StartAtTwoAreNeverReusedAndPastSixteenBitsAreNeverFound) {
    tray_test::shell_recorder shell;
    EXPECT_EQ(hidden_windows_of_this_process(), 0);
    EXPECT_EQ(notification::find_tray_icon(2), nullptr);
    notification::destroy_all_tray_icons();  // on an empty registry: nothing

    std::shared_ptr<tray_icon> first = new_tray_icon();
    std::shared_ptr<tray_icon> second = new_tray_icon();
    EXPECT_EQ(first->id(), 2);
    EXPECT_EQ(second->id(), 3);
    tray_test::clear_icon(first);
    std::shared_ptr<tray_icon> third = new_tray_icon();
    EXPECT_EQ(third->id(), 4);
    EXPECT_EQ(notification::find_tray_icon(2), nullptr);
    EXPECT_EQ(notification::find_tray_icon(3), second);

    notification::destroy_all_tray_icons();
    second.reset();
    third.reset();
    EXPECT_EQ(notification::find_tray_icon(3), nullptr);
    EXPECT_EQ(notification::find_tray_icon(4), nullptr);

    // Line 3 of icon 5's menu is command 5103.
    std::shared_ptr<tray_icon> fifth = new_tray_icon();
    ASSERT_EQ(fifth->id(), 5);
    fifth->set_callback(&tray_test::event_recorder::record, nullptr);
    const HWND window = tray_test::hidden_window();
    ASSERT_NE(window, nullptr);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(5103, 0), 0);
    auto events = tray_test::event_recorder::take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, (tray_event{{"tray_context_menu_select", 5}, {"tray_context_menu_index", 3}}));

    // One window and one thread however many icons come and go.
    std::shared_ptr<tray_icon> past_sixteen_bits;
    while (!past_sixteen_bits || past_sixteen_bits->id() < 65536 + 5) {
        if (past_sixteen_bits) tray_test::clear_icon(past_sixteen_bits);
        past_sixteen_bits = new_tray_icon();
        shell.take();
    }
    EXPECT_EQ(hidden_windows_of_this_process(), 1);
    ASSERT_EQ(past_sixteen_bits->id(), 65536 + 5);
    past_sixteen_bits->set_callback(&tray_test::event_recorder::record, nullptr);
    EXPECT_EQ(notification::find_tray_icon(65536 + 5), past_sixteen_bits);
    // The shell reports both icons as 5: neither gets the other's click.
    EXPECT_EQ(click(window, 5), 1);
    EXPECT_TRUE(tray_test::event_recorder::take().empty());
    // With icon 5 gone, icon 65541's clicks still reach nobody.
    tray_test::clear_icon(fifth);
    EXPECT_EQ(click(window, 5), 1);
    SendMessageW(window, 0x8001, 0, MAKELPARAM(NIN_BALLOONUSERCLICK, 5));
    EXPECT_TRUE(tray_test::event_recorder::take().empty());

    // Nor does a later one that shares its low bits with no other icon.
    std::shared_ptr<tray_icon> last = new_tray_icon();
    last->set_callback(&tray_test::event_recorder::record, nullptr);
    EXPECT_EQ(click(window, last->id() & 0xFFFF), 1);
    EXPECT_TRUE(tray_test::event_recorder::take().empty()) << "an id past 16 bits answered to its low bits";
    tray_test::clear_icon(last);
    tray_test::clear_icon(past_sixteen_bits);
}

}  // namespace
