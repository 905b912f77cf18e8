// The message_box operator linked in, with the message-box call replaced:
// what the box is asked to show, results the real box never gives, and the
// failures that must come before any box.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "message_box.h"
#include "notification_operators.h"
#include "operator_call.h"
#include "standin.h"
#include "window_driver.h"

namespace {

using operator_call::error_info;
using operator_call::input_tuple;
using operator_call::outcome;

struct requested_box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};

std::vector<requested_box> requested_boxes;
int box_result = IDOK;

int WINAPI recording_message_box(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    requested_boxes.push_back({owner, text, caption, style});
    return box_result;
}

// Puts the recording call in for one test and the previous call back after.
class replaced_message_box_call {
public:
    explicit replaced_message_box_call(notification::message_box_function replacement)
        : saved_(notification::message_box_call) {
        notification::message_box_call = replacement;
    }
    ~replaced_message_box_call() { notification::message_box_call = saved_; }
    replaced_message_box_call(const replaced_message_box_call&) = delete;
    replaced_message_box_call& operator=(const replaced_message_box_call&) = delete;

private:
    notification::message_box_function saved_;
};

outcome message_box(const input_tuple& caption, const input_tuple& text, const input_tuple& buttons,
                    const input_tuple& icon) {
    requested_boxes.clear();
    return operator_call::run(CMessageBox, {caption, text, buttons, icon});
}

class MessageBoxSeamTest : public ::testing::Test {
protected:
    void SetUp() override { box_result = IDOK; }
    replaced_message_box_call recording{recording_message_box};
};

TEST_F(MessageBoxSeamTest, TheBoxGetsExactlyTheStyleTheNamesGiveAndNoOwner) {
    struct named_style {
        const char* name;
        UINT style;
    };
    const named_style button_names[] = {
        {"", MB_OK},
        {"OK", MB_OK},
        {"ABORTRETRYIGNORE", MB_ABORTRETRYIGNORE},
        {"CANCELTRYCONTINUE", MB_CANCELTRYCONTINUE},
        {"OKCANCEL", MB_OKCANCEL},
        {"RETRYCANCEL", MB_RETRYCANCEL},
        {"YESNO", MB_YESNO},
        {"YESNOCANCEL", MB_YESNOCANCEL},
    };
    const named_style icon_names[] = {
        {"", 0},
        {"EXCLAMATION", MB_ICONEXCLAMATION},
        {"WARNING", MB_ICONWARNING},
        {"INFORMATION", MB_ICONINFORMATION},
        {"ASTERISK", MB_ICONASTERISK},
        {"QUESTION", MB_ICONQUESTION},
        {"STOP", MB_ICONSTOP},
        {"ERROR", MB_ICONERROR},
        {"HAND", MB_ICONHAND},
    };
    for (const named_style& buttons : button_names) {
        for (const named_style& icon : icon_names) {
            SCOPED_TRACE(std::string(buttons.name) + " / " + icon.name);
            const outcome result = message_box({std::string("Caption")}, {std::string("Text\nsecond line")},
                                               {std::string(buttons.name)}, {std::string(icon.name)});
            ASSERT_EQ(requested_boxes.size(), 1u);
            const requested_box& box = requested_boxes.front();
            EXPECT_EQ(box.owner, nullptr);
            EXPECT_EQ(box.caption, "Caption");
            EXPECT_EQ(box.text, "Text\nsecond line");
            EXPECT_EQ(box.style, buttons.style | icon.style);
            EXPECT_EQ(result.status, 2);
            EXPECT_EQ(result.outputs, std::vector<std::string>{"ok"});
        }
    }
}

TEST_F(MessageBoxSeamTest, EveryResultOfTheBoxHasItsName) {
    struct result_case {
        int result;
        const char* name;
    };
    const result_case cases[] = {
        {IDABORT, "abort"}, {IDCANCEL, "cancel"}, {IDCONTINUE, "continue"},
        {IDIGNORE, "ignore"}, {IDNO, "no"},       {IDOK, "ok"},
        {IDRETRY, "retry"}, {IDTRYAGAIN, "tryagain"}, {IDYES, "yes"},
    };
    for (const result_case& c : cases) {
        SCOPED_TRACE(c.name);
        box_result = c.result;
        const outcome result = message_box({std::string("c")}, {std::string("t")}, {}, {});
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.error_infos.empty());
        EXPECT_EQ(result.output_count, 1);
        EXPECT_EQ(result.outputs, std::vector<std::string>{c.name});
    }
}

TEST_F(MessageBoxSeamTest, AResultWithoutANameFailsWith12006AndWritesNothing) {
    // 0: the box could not be shown; the others are results no table row has.
    const int results[] = {0, -1, 8 /* IDCLOSE */, 9 /* IDHELP */, 12, 32000 /* IDTIMEOUT */};
    for (const int value : results) {
        SCOPED_TRACE(value);
        box_result = value;
        const outcome result = message_box({std::string("c")}, {std::string("t")}, {std::string("YESNO")}, {});
        EXPECT_EQ(requested_boxes.size(), 1u);
        EXPECT_EQ(result.status, 12006);
        EXPECT_EQ(result.error_infos, (std::vector<standin::call>{error_info(
                                          12006, "internal error: received unexpected return value from MessageBox")}));
        EXPECT_EQ(result.output_count, -1);
    }
}

TEST_F(MessageBoxSeamTest, TheLowestFaultyPositionDecidesAndNoBoxIsShown) {
    struct fault_case {
        const char* what;
        std::vector<input_tuple> inputs;
        int code;
    };
    const std::string c = "c";
    const std::string t = "t";
    const std::string bogus = "bogus";
    const fault_case cases[] = {
        {"no caption", {{}, {t}, {}, {}}, 1401},
        {"two captions", {{c, c}, {t}, {}, {}}, 1401},
        {"integer caption", {{Hlong{1}}, {t}, {}, {}}, 1201},
        {"no text", {{c}, {}, {}, {}}, 1402},
        {"real text", {{c}, {1.5}, {}, {}}, 1202},
        {"caption and text faulty", {{}, {Hlong{2}}, {bogus}, {bogus}}, 1401},
        {"text faulty, button name unknown", {{c}, {}, {bogus}, {}}, 1402},
        {"two button names, icon name unknown", {{c}, {t}, {std::string("OK"), std::string("YESNO")}, {bogus}}, 1403},
        {"two button names, two icon names",
         {{c}, {t}, {std::string("OK"), std::string("YESNO")}, {std::string("STOP"), std::string("HAND")}}, 1403},
        {"integer button name", {{c}, {t}, {Hlong{4}}, {}}, 1203},
        {"button name unknown, two icon names", {{c}, {t}, {bogus}, {std::string("STOP"), std::string("HAND")}}, 1404},
        {"real icon name", {{c}, {t}, {}, {0.0}}, 1204},
        {"both names unknown", {{c}, {t}, {bogus}, {bogus}}, 12004},
        {"icon name unknown", {{c}, {t}, {std::string("OK")}, {bogus}}, 12005},
    };
    const auto unknown_buttons = error_info(12004, "unknown button configuration name in DisplayButtons");
    const auto unknown_icon = error_info(12005, "unknown icon name in IconName");
    for (const fault_case& f : cases) {
        SCOPED_TRACE(f.what);
        const outcome result = message_box(f.inputs[0], f.inputs[1], f.inputs[2], f.inputs[3]);
        EXPECT_EQ(result.status, f.code);
        std::vector<standin::call> expected_infos;
        if (f.code == 12004) expected_infos = {unknown_buttons};
        if (f.code == 12005) expected_infos = {unknown_icon};
        EXPECT_EQ(result.error_infos, expected_infos);
        EXPECT_TRUE(requested_boxes.empty());
        EXPECT_EQ(result.output_count, -1);
    }
}

// Without a replacement the operator shows the real box; run after the
// tests above, this also shows that they put the real call back.
TEST(MessageBoxSeam, TheDefaultCallShowsTheRealBox) {
    window_driver::dialog_answerer answerer("Linked operator", IDNO);
    const outcome result = message_box({std::string("Linked operator")}, {std::string("Real?")},
                                       {std::string("YESNO")}, {});
    ASSERT_TRUE(answerer.seen().found);
    EXPECT_EQ(answerer.seen().text, "Real?");
    EXPECT_TRUE(requested_boxes.empty());
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.outputs, std::vector<std::string>{"no"});
}

}  // namespace
