// The popup of show_tray_menu, opened for a window of the test and answered
// with keyboard messages: which WM_COMMAND the owner receives, and for menus
// whose ids would not survive WM_COMMAND, which line comes back instead.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "append_recorder.h"
#include "context_menu.h"
#include "menu_reader.h"

namespace {

using menu_reader::popup_chooser;
using notification::no_menu_choice;
using notification::show_tray_menu;
using notification::string_tuple;

std::vector<WPARAM> received_commands;

LRESULT CALLBACK recording_owner_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND) received_commands.push_back(wparam);
    return DefWindowProcW(window, message, wparam, lparam);
}

// A hidden window of the test's thread that owns the popups and notes every
// WM_COMMAND it gets.
class owner_window {
public:
    owner_window() {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = recording_owner_proc;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"TrayMenuTestOwner";
        RegisterClassW(&window_class);
        window_ = CreateWindowExW(0, L"TrayMenuTestOwner", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        received_commands.clear();
    }
    ~owner_window() { DestroyWindow(window_); }
    owner_window(const owner_window&) = delete;
    owner_window& operator=(const owner_window&) = delete;
    HWND get() const { return window_; }

    // The commands posted while the popup was open, once they are delivered.
    std::vector<WPARAM> commands() const {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        return received_commands;
    }

private:
    HWND window_ = nullptr;
};

struct shown_menu {
    int result;
    bool popup_seen;
    bool left_open;
    std::vector<WPARAM> commands;
};

shown_menu show_and_choose(const string_tuple& lines, int first_command_id, std::vector<WPARAM> keys) {
    owner_window owner;
    popup_chooser chooser(std::move(keys));
    const int result = show_tray_menu(lines, owner.get(), POINT{40, 30}, first_command_id);
    return {result, chooser.popup_seen(), chooser.left_open(), owner.commands()};
}

string_tuple numbered_lines(size_t count) {
    string_tuple lines;
    for (size_t i = 0; i < count; ++i) lines.push_back("Line " + std::to_string(i));
    return lines;
}

TEST(PopupTest, AChosenEntryReachesTheOwnerAsTheCommandOfItsIconAndLine) {
    const shown_menu shown = show_and_choose({"Open", "Exit"}, 2100, {VK_DOWN, VK_DOWN, VK_RETURN});
    ASSERT_TRUE(shown.popup_seen);
    EXPECT_FALSE(shown.left_open);
    EXPECT_EQ(shown.result, no_menu_choice);
    EXPECT_EQ(shown.commands, std::vector<WPARAM>{2101});
}

TEST(PopupTest, AnEntryInANestedSubmenuGivesItsOwnLineIndex) {
    // File > Recent > a.txt; separators are skipped by the keys.
    const shown_menu shown = show_and_choose({"File", "  Open", "  -", "  Recent", "    a.txt", "Exit"}, 5100,
                                             {VK_DOWN, VK_RIGHT, VK_DOWN, VK_RIGHT, VK_RETURN});
    ASSERT_TRUE(shown.popup_seen);
    EXPECT_FALSE(shown.left_open);
    EXPECT_EQ(shown.result, no_menu_choice);
    EXPECT_EQ(shown.commands, std::vector<WPARAM>{5104});
}

TEST(PopupTest, ThePopupOpensAtThePointOnTheSideTheSystemAlignsMenusForItsOwner) {
    owner_window owner;
    popup_chooser chooser({VK_ESCAPE});
    show_tray_menu({"Open", "Exit"}, owner.get(), POINT{120, 90}, 2100);
    ASSERT_TRUE(chooser.popup_seen());
    const RECT rect = chooser.popup_rect();
    EXPECT_EQ(rect.top, 90);
    if (GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0) {
        EXPECT_EQ(rect.right, 120);
    } else {
        EXPECT_EQ(rect.left, 120);
    }
    EXPECT_GT(rect.right, rect.left);
    // The owner is brought to the foreground, so the popup closes when the
    // user clicks elsewhere.
    EXPECT_EQ(chooser.foreground(), owner.get());
}

// Inside the command-id limit (icon 2) and beyond it (icon 70).
TEST(PopupTest, AClosedPopupSendsNothingAndReportsNoLine) {
    for (const int first_command_id : {2100, 70100}) {
        SCOPED_TRACE(first_command_id);
        const shown_menu shown = show_and_choose({"Open", "Exit"}, first_command_id, {VK_ESCAPE});
        ASSERT_TRUE(shown.popup_seen);
        EXPECT_EQ(shown.result, no_menu_choice);
        EXPECT_TRUE(shown.commands.empty());
    }
}

// Every right click builds a new menu tree: the one shown must be gone once
// the popup has closed, whether an entry was chosen or not.
TEST(PopupTest, TheShownMenuAndItsSubmenusAreDestroyedWhenThePopupCloses) {
    struct closing_case {
        std::vector<WPARAM> keys;
        std::vector<WPARAM> commands;
    };
    const closing_case cases[] = {{{VK_ESCAPE}, {}}, {{VK_DOWN, VK_DOWN, VK_RETURN}, {2104}}};
    for (const closing_case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.keys));
        append_recorder::replaced_append_call recording;
        const shown_menu shown = show_and_choose({"File", "  Open", "  Recent", "    a.txt", "Exit"}, 2100, c.keys);
        ASSERT_TRUE(shown.popup_seen);
        EXPECT_FALSE(shown.left_open);
        EXPECT_EQ(shown.commands, c.commands);
        const std::set<HMENU> made = append_recorder::menus_seen();
        // The root, File and Recent.
        ASSERT_EQ(made.size(), 3u);
        for (HMENU menu : made) EXPECT_FALSE(IsMenu(menu));
    }
}

TEST(PopupTest, NoLinesOrTextThatIsNotUtf8ShowNoPopup) {
    for (const string_tuple& lines : {string_tuple{}, string_tuple{"Open", "\xC3("}, string_tuple{"  A"}}) {
        owner_window owner;
        popup_chooser chooser({VK_ESCAPE}, std::chrono::milliseconds(500));
        EXPECT_EQ(show_tray_menu(lines, owner.get(), POINT{40, 30}, 2100), no_menu_choice);
        EXPECT_FALSE(chooser.popup_seen()) << ::testing::PrintToString(lines);
        EXPECT_TRUE(owner.commands().empty());
    }
}

// Icon 66 would number its line 1 as 66101, which WM_COMMAND cuts to 565:
// no such command may reach the owner, the line comes back instead.
TEST(PopupTest, AnIconBeyondTheCommandLimitGetsItsLineBackAndNoCommand) {
    const shown_menu shown =
        show_and_choose({"Open", "Exit"}, static_cast<int>(notification::first_menu_command_id(66)),
                        {VK_DOWN, VK_DOWN, VK_RETURN});
    ASSERT_TRUE(shown.popup_seen);
    EXPECT_FALSE(shown.left_open);
    EXPECT_EQ(shown.result, 1);
    EXPECT_TRUE(shown.commands.empty());
}

// Line 1000 of icon 2 would be numbered 3100, the command of icon 3's line 0.
TEST(PopupTest, ALineAtIndex1000GetsItsLineBackAndNoCommand) {
    const shown_menu last = show_and_choose(numbered_lines(1001), 2100, {VK_UP, VK_RETURN});
    ASSERT_TRUE(last.popup_seen);
    EXPECT_FALSE(last.left_open);
    EXPECT_EQ(last.result, 1000);
    EXPECT_TRUE(last.commands.empty());

    // Lines below 1000 of such a menu come back the same way.
    const shown_menu first = show_and_choose(numbered_lines(1001), 2100, {VK_DOWN, VK_RETURN});
    EXPECT_EQ(first.result, 0);
    EXPECT_TRUE(first.commands.empty());
}

TEST(PopupTest, TheLastIconAndLineInsideTheLimitKeepTheirCommand) {
    // Icon 65, line 435: 65535, the last id WM_COMMAND carries.
    const shown_menu shown = show_and_choose(numbered_lines(436), 65100, {VK_UP, VK_RETURN});
    ASSERT_TRUE(shown.popup_seen);
    EXPECT_EQ(shown.result, no_menu_choice);
    EXPECT_EQ(shown.commands, std::vector<WPARAM>{65535});
}

}  // namespace
