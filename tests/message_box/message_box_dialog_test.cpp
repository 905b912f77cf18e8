// message_box and beep as HALCON calls them: the package DLL loaded and
// initialised, its entry functions called, and the real message box read and
// answered from another thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "operator_call.h"
#include "standin.h"
#include "window_driver.h"

namespace {

using operator_call::error_info;
using operator_call::input_tuple;
using operator_call::outcome;
using window_driver::dialog_answerer;
using window_driver::dialog_snapshot;

constexpr int32_t package_id = 17;
constexpr int32_t message_box_index = 0;
constexpr int32_t beep_index = 8;

// How long a test that expects no box looks for one. A box that does come
// blocks the operator until the watcher closes it, so it cannot be missed
// silently.
constexpr std::chrono::milliseconds no_box_wait(1000);

std::vector<int> button_ids(const dialog_snapshot& seen) {
    std::vector<int> ids;
    for (const window_driver::button& b : seen.buttons) ids.push_back(b.id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<int> sorted(std::vector<int> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Presses the first button of whatever box comes, so that a box shown by
// mistake ends the call instead of blocking it.
int first_button(const dialog_snapshot& seen) { return seen.buttons.empty() ? IDOK : seen.buttons.front().id; }

std::wstring window_text_wide(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring decoded(const std::string& bytes, UINT code_page) {
    wchar_t text[512] = {};
    MultiByteToWideChar(code_page, 0, bytes.c_str(), -1, text, 512);
    return text;
}

class MessageBoxDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetModuleHandleA(PACKAGE_DLL_NAME), nullptr) << "each test needs a fresh load";
        standin_reset();
        module_ = LoadLibraryA(PACKAGE_DLL_NAME);
        ASSERT_NE(module_, nullptr) << "cannot load " << PACKAGE_DLL_NAME << ", error " << GetLastError();
        using init_function = Herror (*)(int32_t);
        auto init = reinterpret_cast<init_function>(reinterpret_cast<void*>(GetProcAddress(module_, "HXPkgInit")));
        ASSERT_NE(init, nullptr);
        ASSERT_EQ(init(package_id), 2);
        using operator_call::entry_function;
        message_box_entry_ = reinterpret_cast<entry_function>(standin_registered_entry(message_box_index));
        beep_entry_ = reinterpret_cast<entry_function>(standin_registered_entry(beep_index));
        ASSERT_NE(message_box_entry_, nullptr);
        ASSERT_NE(beep_entry_, nullptr);
    }

    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }

    outcome message_box(const input_tuple& caption, const input_tuple& text, const input_tuple& buttons = {},
                        const input_tuple& icon = {}) const {
        return operator_call::run(message_box_entry_, {caption, text, buttons, icon});
    }

    // A successful call that wrote exactly this one name.
    static void expect_answer(const outcome& result, const std::string& name) {
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.error_infos.empty());
        EXPECT_EQ(result.output_count, 1);
        EXPECT_EQ(result.outputs, std::vector<std::string>{name});
    }

    HMODULE module_ = nullptr;
    operator_call::entry_function message_box_entry_ = nullptr;
    operator_call::entry_function beep_entry_ = nullptr;
};

TEST_F(MessageBoxDialogTest, EmptyTuplesShowAnOkOnlyBoxWithoutIconAndReturnOk) {
    dialog_answerer answerer("Plain box", IDOK);
    const outcome result = message_box({"Plain box"}, {"The inspection is done.\nAll parts passed."});
    const dialog_snapshot& seen = answerer.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "Plain box");
    EXPECT_EQ(seen.text, "The inspection is done.\nAll parts passed.");
    EXPECT_EQ(button_ids(seen), std::vector<int>{IDOK});
    EXPECT_EQ(seen.icon, nullptr);
    expect_answer(result, "ok");
}

TEST_F(MessageBoxDialogTest, EachButtonOfEachConfigurationReturnsItsName) {
    struct press_case {
        const char* buttons;
        std::vector<int> shown;
        int pressed;
        const char* name;
    };
    const std::vector<int> ok{IDOK};
    const std::vector<int> ok_cancel{IDOK, IDCANCEL};
    const std::vector<int> abort_retry_ignore{IDABORT, IDRETRY, IDIGNORE};
    const std::vector<int> cancel_try_continue{IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    const std::vector<int> retry_cancel{IDRETRY, IDCANCEL};
    const std::vector<int> yes_no{IDYES, IDNO};
    const std::vector<int> yes_no_cancel{IDYES, IDNO, IDCANCEL};
    const press_case cases[] = {
        {"", ok, IDOK, "ok"},
        {"OK", ok, IDOK, "ok"},
        {"OKCANCEL", ok_cancel, IDOK, "ok"},
        {"OKCANCEL", ok_cancel, IDCANCEL, "cancel"},
        {"ABORTRETRYIGNORE", abort_retry_ignore, IDABORT, "abort"},
        {"ABORTRETRYIGNORE", abort_retry_ignore, IDRETRY, "retry"},
        {"ABORTRETRYIGNORE", abort_retry_ignore, IDIGNORE, "ignore"},
        {"CANCELTRYCONTINUE", cancel_try_continue, IDCANCEL, "cancel"},
        {"CANCELTRYCONTINUE", cancel_try_continue, IDTRYAGAIN, "tryagain"},
        {"CANCELTRYCONTINUE", cancel_try_continue, IDCONTINUE, "continue"},
        {"RETRYCANCEL", retry_cancel, IDRETRY, "retry"},
        {"RETRYCANCEL", retry_cancel, IDCANCEL, "cancel"},
        {"YESNO", yes_no, IDYES, "yes"},
        {"YESNO", yes_no, IDNO, "no"},
        {"YESNOCANCEL", yes_no_cancel, IDYES, "yes"},
        {"YESNOCANCEL", yes_no_cancel, IDNO, "no"},
        {"YESNOCANCEL", yes_no_cancel, IDCANCEL, "cancel"},
    };
    for (const press_case& c : cases) {
        const std::string caption = std::string("Buttons ") + c.buttons + " " + c.name;
        SCOPED_TRACE(caption);
        dialog_answerer answerer(caption, c.pressed);
        const outcome result = message_box({caption}, {"Choose."}, {std::string(c.buttons)});
        const dialog_snapshot& seen = answerer.seen();
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(button_ids(seen), sorted(c.shown));
        EXPECT_EQ(seen.icon, nullptr);
        expect_answer(result, c.name);
    }
}

TEST_F(MessageBoxDialogTest, IconNamesAndTheirAliasesShowTheirIcon) {
    struct icon_case {
        const char* name;
        LPCSTR icon;  // null: no icon
    };
    const icon_case cases[] = {
        {"", nullptr},
        {"EXCLAMATION", IDI_EXCLAMATION},
        {"WARNING", IDI_EXCLAMATION},
        {"INFORMATION", IDI_ASTERISK},
        {"ASTERISK", IDI_ASTERISK},
        {"QUESTION", IDI_QUESTION},
        {"STOP", IDI_HAND},
        {"ERROR", IDI_HAND},
        {"HAND", IDI_HAND},
    };
    for (const icon_case& c : cases) {
        const std::string caption = std::string("Icon ") + c.name;
        SCOPED_TRACE(caption);
        dialog_answerer answerer(caption, IDOK);
        const outcome result = message_box({caption}, {"Look."}, {}, {std::string(c.name)});
        const dialog_snapshot& seen = answerer.seen();
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.icon, c.icon ? LoadIconA(nullptr, c.icon) : nullptr);
        EXPECT_EQ(button_ids(seen), std::vector<int>{IDOK});
        expect_answer(result, "ok");
    }
}

TEST_F(MessageBoxDialogTest, NamesMatchInAnyMixOfCase) {
    struct spelling_case {
        const char* buttons;
        const char* icon;
        std::vector<int> shown;
        LPCSTR shown_icon;
    };
    const spelling_case cases[] = {
        {"yesno", "warning", {IDYES, IDNO}, IDI_EXCLAMATION},
        {"YesNo", "Exclamation", {IDYES, IDNO}, IDI_EXCLAMATION},
        {"yEsNoCaNcEl", "stop", {IDYES, IDNO, IDCANCEL}, IDI_HAND},
        {"okCancel", "error", {IDOK, IDCANCEL}, IDI_HAND},
        {"Ok", "hand", {IDOK}, IDI_HAND},
        {"CancelTryContinue", "Question", {IDCANCEL, IDTRYAGAIN, IDCONTINUE}, IDI_QUESTION},
        {"retrycancel", "asterisk", {IDRETRY, IDCANCEL}, IDI_ASTERISK},
        {"AbortRetryIgnore", "Information", {IDABORT, IDRETRY, IDIGNORE}, IDI_ASTERISK},
    };
    for (const spelling_case& c : cases) {
        const std::string caption = std::string("Spelling ") + c.buttons + " " + c.icon;
        SCOPED_TRACE(caption);
        // The first button shown is pressed, whatever it is.
        dialog_answerer answerer(caption, first_button);
        const outcome result = message_box({caption}, {"Case does not matter."}, {std::string(c.buttons)},
                                           {std::string(c.icon)});
        const dialog_snapshot& seen = answerer.seen();
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(button_ids(seen), sorted(c.shown));
        EXPECT_EQ(seen.icon, LoadIconA(nullptr, c.shown_icon));
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.output_count, 1);
    }
}

TEST_F(MessageBoxDialogTest, FaultyNamesAndTuplesFailWithoutShowingABox) {
    struct fault_case {
        const char* what;
        input_tuple buttons;
        input_tuple icon;
        int code;
        std::vector<standin::call> error_infos;
    };
    const auto unknown_buttons = error_info(12004, "unknown button configuration name in DisplayButtons");
    const auto unknown_icon = error_info(12005, "unknown icon name in IconName");
    const fault_case cases[] = {
        {"leading blank", {std::string(" YESNO")}, {}, 12004, {unknown_buttons}},
        {"trailing blank", {std::string("YESNO ")}, {}, 12004, {unknown_buttons}},
        {"both names unknown", {std::string("YESMAYBE")}, {std::string("SMILEY")}, 12004, {unknown_buttons}},
        {"icon name with blank", {std::string("OK")}, {std::string("STOP ")}, 12005, {unknown_icon}},
        {"two button names", {std::string("OK"), std::string("YESNO")}, {std::string("SMILEY")}, 1403, {}},
    };
    for (const fault_case& c : cases) {
        const std::string caption = std::string("Fault ") + c.what;
        SCOPED_TRACE(caption);
        dialog_answerer answerer(caption, first_button, no_box_wait);
        const outcome result = message_box({caption}, {"Never shown."}, c.buttons, c.icon);
        EXPECT_FALSE(answerer.seen().found);
        EXPECT_EQ(result.status, c.code);
        EXPECT_EQ(result.error_infos, c.error_infos);
        EXPECT_EQ(result.output_count, -1);
    }
}

TEST_F(MessageBoxDialogTest, MultiByteUtf8TextsAreShownByteForByteInTheAnsiCodePage) {
    const std::string caption = "Pr\xC3\xBC" "fung \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC";   // Prüfung – 日本
    const std::string text = "Gr\xC3\xB6\xC3\x9F" "e: 5 \xC2\xB5m";                      // Größe: 5 µm
    std::wstring shown_caption;
    std::wstring shown_text;
    // The watcher finds the box by the caption's bytes as the ANSI call gives
    // them back; the wide texts show how the system decoded them.
    dialog_answerer answerer(caption, [&](const dialog_snapshot&) {
        HWND dialog = window_driver::find_dialog(caption);
        shown_caption = window_text_wide(dialog);
        shown_text = window_text_wide(GetDlgItem(dialog, 0xFFFF));
        return IDOK;
    });
    const outcome result = message_box({caption}, {text});
    const dialog_snapshot& seen = answerer.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(shown_caption, decoded(caption, CP_ACP));
    EXPECT_EQ(shown_text, decoded(text, CP_ACP));
    expect_answer(result, "ok");
}

TEST_F(MessageBoxDialogTest, BeepSucceedsEveryTimeAndTouchesNoParameter) {
    // Under Wine without audio no sound can be played; the call succeeds all the same.
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        standin_reset();
        Hproc_handle proc = standin_new_proc();
        EXPECT_EQ(beep_entry_(proc), 2);
        EXPECT_TRUE(standin::calls().empty());
        EXPECT_EQ(standin_output_count(proc, 1), -1);
    }
}

}  // namespace
