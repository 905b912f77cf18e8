// Menus built from text lines, read back from the real menu objects: item
// kinds, texts, check marks, command ids and nesting; the checks of the
// indentation with their exact messages; the order in which submenus are
// appended; and the release of everything a failing build made.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "append_recorder.h"
#include "context_menu.h"
#include "menu_reader.h"

namespace {

using append_recorder::appends;
using append_recorder::replaced_append_call;
using menu_reader::entry;
using menu_reader::item_row;
using menu_reader::read_menu;
using menu_reader::separator;
using menu_reader::submenu;
using notification::build_tray_menu;
using notification::string_tuple;

constexpr int first_id = 2100;  // icon 2

std::vector<item_row> built(const string_tuple& lines, int first_command_id = first_id) {
    HMENU menu = build_tray_menu(lines, first_command_id, false);
    EXPECT_NE(menu, nullptr);
    std::vector<item_row> rows = read_menu(menu);
    EXPECT_TRUE(DestroyMenu(menu));
    return rows;
}

TEST(MenuBuildTest, NestedLinesGiveSubmenusWithTheLineIndexesAsCommandIds) {
    EXPECT_EQ(built({"File", "  Open", "  Recent", "    a.txt", "Exit"}),
              (std::vector<item_row>{submenu(0, L"File"), entry(1, L"Open", 2101), submenu(1, L"Recent"),
                                     entry(2, L"a.txt", 2103), entry(0, L"Exit", 2104)}));
    EXPECT_EQ(built({"Open", "Exit"}), (std::vector<item_row>{entry(0, L"Open", 2100), entry(0, L"Exit", 2101)}));
    EXPECT_EQ(built({"Tools", "  Options"}), (std::vector<item_row>{submenu(0, L"Tools"), entry(1, L"Options", 2101)}));
    EXPECT_EQ(built({"Open", "Exit"}, 5100), (std::vector<item_row>{entry(0, L"Open", 5100), entry(0, L"Exit", 5101)}));
}

TEST(MenuBuildTest, EachLineKindGivesItsItem) {
    struct line_case {
        const char* line;
        item_row expected;
    };
    const line_case cases[] = {
        {"-", separator(0, first_id)},
        {"- ", entry(0, L"- ", first_id)},
        {"--", entry(0, L"--", first_id)},
        {"[x]Item", entry(0, L"Item", first_id, true)},
        {"[X] Item", entry(0, L"Item", first_id, true)},
        {"[X]    Item", entry(0, L"Item", first_id, true)},
        {"[ ] Item", entry(0, L"Item", first_id)},
        {"[ ]Item ", entry(0, L"Item ", first_id)},
        {"[X]", entry(0, L"[X]", first_id)},
        {"[X] ", entry(0, L"", first_id, true)},
        {"[X] -", entry(0, L"-", first_id, true)},
        {"[  ] Item", entry(0, L"[  ] Item", first_id)},
        {"[Y] Item", entry(0, L"[Y] Item", first_id)},
        {"\tTabbed", entry(0, L"\tTabbed", first_id)},
        {"Trailing  ", entry(0, L"Trailing  ", first_id)},
        {"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x94\x94", entry(0, L"Gr\u00FC\u00DFe \U0001F514", first_id)},
    };
    for (const line_case& c : cases) {
        EXPECT_EQ(built({c.line}), std::vector<item_row>{c.expected}) << "line '" << c.line << "'";
    }
}

TEST(MenuBuildTest, SeparatorsAndCheckMarksInsideSubmenus) {
    EXPECT_EQ(built({"Edit", "  -", "  [X] Wrap", "[X] View", "  Zoom", "-", "Quit"}),
              (std::vector<item_row>{submenu(0, L"Edit"), separator(1, 2101), entry(1, L"Wrap", 2102, true),
                                     submenu(0, L"View", true), entry(1, L"Zoom", 2104), separator(0, 2105),
                                     entry(0, L"Quit", 2106)}));
}

TEST(MenuBuildTest, SeveralSubmenusEndAtOneLine) {
    EXPECT_EQ(built({"A", "  B", "    C", "      D", "E", "  F"}),
              (std::vector<item_row>{submenu(0, L"A"), submenu(1, L"B"), submenu(2, L"C"), entry(3, L"D", 2103),
                                     submenu(0, L"E"), entry(1, L"F", 2105)}));
    EXPECT_EQ(built({"A", "  B", "    C", "  D"}),
              (std::vector<item_row>{submenu(0, L"A"), submenu(1, L"B"), entry(2, L"C", 2102),
                                     entry(1, L"D", 2103)}));
}

TEST(MenuBuildTest, NoLinesGiveNoMenuAndADryRunMakesNone) {
    EXPECT_EQ(build_tray_menu({}, first_id, false), nullptr);
    EXPECT_EQ(build_tray_menu({"File", "  Open", "Exit"}, first_id, true), nullptr);
    // A dry run converts no text, so it accepts what a real build refuses.
    EXPECT_EQ(build_tray_menu({"\xC3("}, 0, true), nullptr);
}

std::string failure_of(const string_tuple& lines, bool dry_run) {
    try {
        HMENU menu = build_tray_menu(lines, first_id, dry_run);
        if (menu) DestroyMenu(menu);
    } catch (const std::range_error& error) {
        return std::string("range error: ") + error.what();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no failure";
}

TEST(MenuBuildTest, MalformedIndentationIsReportedWithTheFirstOffendingIndex) {
    const std::string odd = ". Number of indentation spaces must be a multiple of 2.";
    const std::string prefix = "invalid indentation for menu entry at 0-based index ";
    struct indentation_case {
        string_tuple lines;
        std::string message;
    };
    const indentation_case cases[] = {
        {{" A"}, prefix + "0" + odd},
        {{"  A"}, prefix + "0. Indentation must be 0 for first entry."},
        {{"    A", "B"}, prefix + "0. Indentation must be 0 for first entry."},
        {{"A", "    B"}, prefix + "1"},
        {{"A", "   B"}, prefix + "1" + odd},
        {{"A", "  B", "      C"}, prefix + "2"},
        {{"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", " K"}, prefix + "10" + odd},
        // The odd line is met while the line before it is handled, so it is
        // reported before a later jump.
        {{"A", "    B", " C"}, prefix + "1"},
        {{"A", " B", "      C"}, prefix + "1" + odd},
        {{"A", "  B", "   C", "      D"}, prefix + "2" + odd},
    };
    for (const indentation_case& c : cases) {
        EXPECT_EQ(failure_of(c.lines, true), c.message) << "dry run of " << ::testing::PrintToString(c.lines);
        EXPECT_EQ(failure_of(c.lines, false), c.message) << "build of " << ::testing::PrintToString(c.lines);
    }
}

TEST(MenuBuildTest, TextThatIsNotUtf8FailsTheRealBuildOnly) {
    EXPECT_EQ(failure_of({"Open", "\xC3("}, false), "range error: bad conversion");
    EXPECT_EQ(failure_of({"Open", "\xE2\x82"}, false), "range error: bad conversion");
    EXPECT_EQ(failure_of({"Open", "\xC3("}, true), "no failure");
    // A separator or a heading of "-" has no text to convert.
    EXPECT_EQ(failure_of({"-"}, false), "no failure");
}

TEST(MenuBuildTest, LevelAndSpacesOfOneLine) {
    EXPECT_EQ(notification::menu_line_level("", 0), 0);
    EXPECT_EQ(notification::menu_line_level("A", 0), 0);
    EXPECT_EQ(notification::menu_line_level("    A", 3), 2);
    EXPECT_EQ(notification::menu_line_level("  \t  A", 3), 1);
    EXPECT_EQ(notification::menu_line_level("    ", 3), 2);
    EXPECT_EQ(failure_of({"A", "     "}, true),
              "invalid indentation for menu entry at 0-based index 1. Number of indentation spaces must be a multiple of 2.");
    std::string text = "   a b ";
    notification::strip_leading_spaces(text);
    EXPECT_EQ(text, "a b ");
    text = "   ";
    notification::strip_leading_spaces(text);
    EXPECT_EQ(text, "");
    text = "\t a";
    notification::strip_leading_spaces(text);
    EXPECT_EQ(text, "\t a");
}

TEST(MenuBuildTest, SubmenusAreAppendedWhenTheyEndInnermostFirst) {
    replaced_append_call recording;
    HMENU root = build_tray_menu({"File", "  Open", "  Recent", "    a.txt", "Exit"}, first_id, false);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(appends.size(), 5u);
    HMENU file = reinterpret_cast<HMENU>(appends[3].item);
    HMENU recent = reinterpret_cast<HMENU>(appends[2].item);
    struct expected_append {
        HMENU menu;
        UINT flags;
        UINT_PTR item;
        std::wstring text;
    };
    const expected_append expected[] = {
        {file, MF_STRING, 2101, L"Open"},
        {recent, MF_STRING, 2103, L"a.txt"},
        {file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"Recent"},
        {root, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File"},
        {root, MF_STRING, 2104, L"Exit"},
    };
    for (size_t i = 0; i < appends.size(); ++i) {
        EXPECT_EQ(appends[i].menu, expected[i].menu) << "append " << i;
        EXPECT_EQ(appends[i].flags, expected[i].flags) << "append " << i;
        EXPECT_EQ(appends[i].item, expected[i].item) << "append " << i;
        EXPECT_EQ(appends[i].text, expected[i].text) << "append " << i;
    }
    EXPECT_NE(file, recent);
    EXPECT_NE(file, root);
    EXPECT_TRUE(DestroyMenu(root));
    EXPECT_FALSE(IsMenu(file));
    EXPECT_FALSE(IsMenu(recent));
}

TEST(MenuBuildTest, SeparatorsAndSeparatorHeadingsGetTheFlagsAndADash) {
    replaced_append_call recording;
    HMENU root = build_tray_menu({"-", "-", "  Inner", "[X] Box", "  -"}, first_id, false);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(appends.size(), 5u);
    EXPECT_EQ(appends[0].flags, UINT(MF_SEPARATOR));
    EXPECT_EQ(appends[0].item, UINT_PTR(2100));
    EXPECT_EQ(appends[0].text, L"-");
    EXPECT_EQ(appends[1].text, L"Inner");
    EXPECT_EQ(appends[2].flags, UINT(MF_POPUP | MF_SEPARATOR));
    EXPECT_EQ(appends[2].text, L"-");
    EXPECT_EQ(appends[2].menu, root);
    EXPECT_EQ(appends[3].flags, UINT(MF_SEPARATOR));
    EXPECT_EQ(appends[3].item, UINT_PTR(2104));
    EXPECT_EQ(appends[4].flags, UINT(MF_POPUP | MF_CHECKED));
    EXPECT_EQ(appends[4].text, L"Box");
    const HMENU dash_submenu = reinterpret_cast<HMENU>(appends[2].item);
    EXPECT_TRUE(DestroyMenu(root));
    // The submenu of a separator heading is gone with the menu, however the
    // system filed it.
    EXPECT_FALSE(IsMenu(dash_submenu));
}

TEST(MenuBuildTest, ABuildThatFailsPartWayReleasesEveryMenuItMade) {
    // Each starts with an entry of the root, so the root is among the menus
    // the appends show.
    const string_tuple failing_builds[] = {
        {"Top", "File", "  Open", "  Recent", "    a.txt", "    \xC3(", "Exit"},
        {"Top", "File", "  Open", "  Recent", "    a.txt", "Exit", "\xC3("},
        {"Top", "File", "  Recent", "    a.txt", "  \xC3(", "    b.txt"},
        {"Top", "\xC3(", "  Open"},
    };
    for (const string_tuple& lines : failing_builds) {
        replaced_append_call recording;
        EXPECT_EQ(failure_of(lines, false), "range error: bad conversion");
        const std::set<HMENU> made = append_recorder::menus_seen();
        ASSERT_FALSE(made.empty());
        EXPECT_EQ(appends.front().text, L"Top");
        for (HMENU menu : made) EXPECT_FALSE(IsMenu(menu)) << ::testing::PrintToString(lines);
    }
}

// A submenu the parent did not take is still the build's to release; the
// build goes on with the lines after it.
TEST(MenuBuildTest, ASubmenuWhoseAppendFailsIsDestroyedNotHandedOver) {
    replaced_append_call refusing_submenus(MF_POPUP);
    HMENU root = build_tray_menu({"File", "  Recent", "    a.txt", "  Open", "Exit"}, first_id, false);
    ASSERT_NE(root, nullptr);
    std::vector<HMENU> refused;
    for (const auto& record : appends) {
        if (record.flags & MF_POPUP) refused.push_back(reinterpret_cast<HMENU>(record.item));
    }
    ASSERT_EQ(refused.size(), 2u);
    for (HMENU submenu : refused) {
        EXPECT_NE(submenu, nullptr);
        EXPECT_FALSE(IsMenu(submenu)) << "the refused submenu is left alive";
    }
    EXPECT_EQ(read_menu(root), std::vector<item_row>{entry(0, L"Exit", 2104)});
    EXPECT_TRUE(DestroyMenu(root));
}

TEST(MenuBuildTest, CommandIdsFitOnlyWhereTheyDecodeBackToTheirIconAndLine) {
    struct fit_case {
        int first_command_id;
        size_t line_count;
        bool fits;
    };
    const fit_case cases[] = {
        {2100, 0, true},    {2100, 1, true},     {2100, 1000, true}, {2100, 1001, false},
        {65100, 436, true}, {65100, 437, false}, {66100, 1, false},  {0, 1, false},
        {99, 1, false},     {150, 1, false},     {64100, 1000, true}, {64100, 1001, false},
    };
    for (const fit_case& c : cases) {
        EXPECT_EQ(notification::menu_commands_fit(c.first_command_id, c.line_count), c.fits)
            << c.first_command_id << " with " << c.line_count << " lines";
    }
    EXPECT_EQ(notification::first_menu_command_id(2), 2100);
    EXPECT_EQ(notification::first_menu_command_id(65), 65100);
}

}  // namespace
