// The dialog driver itself, against a real message box.
#include <gtest/gtest.h>

#include "window_driver.h"

namespace {

TEST(WindowDriver, ReadsAndAnswersARealMessageBox) {
    window_driver::dialog_answerer answerer("driver check", IDNO);
    const int result = MessageBoxA(nullptr, "Proceed?", "driver check", MB_YESNO | MB_ICONQUESTION);
    const auto& seen = answerer.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(seen.text, "Proceed?");
    ASSERT_EQ(seen.buttons.size(), 2u);
    EXPECT_EQ(seen.buttons[0].id, IDYES);
    EXPECT_EQ(seen.buttons[1].id, IDNO);
    EXPECT_EQ(seen.icon, LoadIcon(nullptr, IDI_QUESTION));
}

TEST(WindowDriver, ReportsWhenNoDialogComes) {
    window_driver::dialog_answerer answerer("never shown", IDOK, std::chrono::milliseconds(200));
    EXPECT_FALSE(answerer.seen().found);
}

TEST(WindowDriver, AnswersABoxOfAnotherCaptionInsteadOfHanging) {
    window_driver::dialog_answerer answerer("expected caption", IDOK, std::chrono::milliseconds(300));
    const int result = MessageBoxA(nullptr, "text", "other caption", MB_YESNO);
    EXPECT_FALSE(answerer.seen().found);
    EXPECT_EQ(result, IDYES);
}

// On a loaded machine the box may come only after the watcher gave up on
// its caption.
TEST(WindowDriver, AnswersABoxOfAnotherCaptionThatComesAfterTheTimeout) {
    window_driver::dialog_answerer answerer("expected caption", IDOK, std::chrono::milliseconds(100));
    Sleep(400);
    const int result = MessageBoxA(nullptr, "late", "other caption", MB_OKCANCEL);
    EXPECT_FALSE(answerer.seen().found);
    EXPECT_EQ(result, IDOK);
}

}  // namespace
