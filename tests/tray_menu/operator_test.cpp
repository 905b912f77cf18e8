// set_tray_icon_context_menu as HALCON calls it, through the stand-in
// runtime: parameter errors before any check of the lines, the check's own
// message as extended error text, unknown handles, and what is stored.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "notification_operators.h"
#include "operator_call.h"
#include "shell_notify.h"
#include "standin.h"
#include "tray_icon.h"
#include "tray_window.h"

namespace {

using notification::string_tuple;
using operator_call::error_info;
using operator_call::input_tuple;
using operator_call::outcome;

// No handle the tests use names an icon.
constexpr Hlong unknown_handle = 999999;

input_tuple text_values(const string_tuple& lines) {
    input_tuple values;
    for (const std::string& line : lines) values.push_back(line);
    return values;
}

outcome set_menu(const input_tuple& handle, const input_tuple& lines) {
    return operator_call::run(CSetTrayIconContextMenu, {handle, lines});
}

BOOL WINAPI accepting_shell_notify(DWORD, NOTIFYICONDATAW*) { return TRUE; }

// A real record, made and registered the way the operators make them, with
// the shell left out; unregistered again at the end of the test.
class TrayMenuOperatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_shell_notify_ = notification::shell_notify_icon_call;
        notification::shell_notify_icon_call = accepting_shell_notify;
        icon = notification::new_tray_icon();
    }
    void TearDown() override {
        notification::unregister_tray_icon(icon.get());
        icon.reset();
        notification::shell_notify_icon_call = saved_shell_notify_;
    }
    Hlong handle() const { return icon->id(); }

    std::shared_ptr<notification::tray_icon> icon;

private:
    notification::shell_notify_function saved_shell_notify_ = nullptr;
};

TEST_F(TrayMenuOperatorTest, ParameterErrorsComeFirstInPositionOrderAndBeforeTheLines) {
    const string_tuple kept = {"Kept"};
    icon->set_menu_lines(kept);
    struct parameter_case {
        input_tuple handle;
        input_tuple lines;
        Herror status;
    };
    const parameter_case cases[] = {
        {{1.0}, {std::string("A")}, 1201},
        {{std::string("2")}, {std::string("A")}, 1201},
        {{}, {std::string("A")}, 1401},
        {{handle(), handle()}, {std::string("A")}, 1401},
        {{handle()}, {std::string("A"), Hlong{5}}, 1202},
        {{handle()}, {2.5}, 1202},
        // Parameter 1 before parameter 2.
        {{1.0}, {Hlong{5}}, 1201},
        {{}, {Hlong{5}}, 1401},
        // Parameter errors before any check of the lines or of the handle.
        {{handle(), handle()}, {std::string(" A")}, 1401},
        {{unknown_handle}, {std::string(" A"), Hlong{5}}, 1202},
        {{unknown_handle}, {Hlong{5}}, 1202},
    };
    for (const parameter_case& c : cases) {
        const outcome result = set_menu(c.handle, c.lines);
        EXPECT_EQ(result.status, c.status);
        EXPECT_TRUE(result.error_infos.empty()) << "status " << result.status;
        EXPECT_EQ(result.output_count, -1);
    }
    EXPECT_EQ(icon->menu_lines(), kept);
}

TEST_F(TrayMenuOperatorTest, MalformedLinesGive12003WithTheCheckMessageAlsoForUnknownHandles) {
    const std::string prefix = "invalid indentation for menu entry at 0-based index ";
    const std::string odd = ". Number of indentation spaces must be a multiple of 2.";
    struct lines_case {
        string_tuple lines;
        std::string message;
    };
    const lines_case cases[] = {
        {{" A"}, prefix + "0" + odd},
        {{"  A"}, prefix + "0. Indentation must be 0 for first entry."},
        {{"A", "    B"}, prefix + "1"},
        {{"A", "   B"}, prefix + "1" + odd},
        {{"A", "  B", "  C", "-", "        D"}, prefix + "4"},
    };
    const string_tuple kept = {"Kept", "  Sub"};
    icon->set_menu_lines(kept);
    for (const lines_case& c : cases) {
        for (Hlong handle_value : {handle(), unknown_handle}) {
            const outcome result = set_menu({handle_value}, text_values(c.lines));
            EXPECT_EQ(result.status, 12003) << c.message;
            EXPECT_EQ(result.error_infos, std::vector<standin::call>{error_info(12003, c.message)});
        }
    }
    EXPECT_EQ(icon->menu_lines(), kept);
}

TEST_F(TrayMenuOperatorTest, ValidLinesForAHandleWithoutIconGive12001) {
    for (Hlong handle_value : {unknown_handle, Hlong{0}, Hlong{-1}, handle() + 1}) {
        const outcome result = set_menu({handle_value}, {std::string("Open")});
        EXPECT_EQ(result.status, 12001) << handle_value;
        EXPECT_EQ(result.error_infos,
                  std::vector<standin::call>{error_info(12001, "the handle to the tray icon is invalid")});
    }
    // An empty tuple is valid lines too.
    EXPECT_EQ(set_menu({unknown_handle}, {}).status, 12001);
}

TEST_F(TrayMenuOperatorTest, ValidLinesReplaceTheIconsLinesAsTheyWereGiven) {
    const string_tuple first = {"File", "  [X] Open", "  -", "Exit"};
    outcome result = set_menu({handle()}, text_values(first));
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(result.error_infos.empty());
    EXPECT_EQ(result.output_count, -1);
    EXPECT_EQ(icon->menu_lines(), first);

    // Text that is not UTF-8 is not the check's business: it is stored.
    const string_tuple not_utf8 = {"Open", "\xC3("};
    EXPECT_EQ(set_menu({handle()}, text_values(not_utf8)).status, 2);
    EXPECT_EQ(icon->menu_lines(), not_utf8);

    EXPECT_EQ(set_menu({handle()}, {}).status, 2);
    EXPECT_TRUE(icon->menu_lines().empty());
}

TEST_F(TrayMenuOperatorTest, OnlyTheLow32BitsOfTheHandleCount) {
    if (sizeof(Hlong) < 8) GTEST_SKIP() << "HALCON XL's integers have 32 bits";
    const Hlong widened = static_cast<Hlong>((int64_t{1} << 32) + handle());
    const string_tuple lines = {"Open"};
    EXPECT_EQ(set_menu({widened}, text_values(lines)).status, 2);
    EXPECT_EQ(icon->menu_lines(), lines);
}

}  // namespace
