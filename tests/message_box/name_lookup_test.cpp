// The name lookups compare under the global locale as it is at each call.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <locale>
#include <string>

#include "herrorexception.h"
#include "message_box.h"
#include "scoped_locale.h"

namespace {

// The code of the herror_exception the lookup throws, with its own message; 0
// when it throws nothing.
int error_of(const std::function<void()>& lookup, std::string* message) {
    try {
        lookup();
    } catch (const hextcpp::herror_exception& error) {
        EXPECT_TRUE(error.has_own_message);
        *message = error.what();
        return error.code;
    }
    return 0;
}

TEST(MessageBoxNameLookup, FollowsTheGlobalLocaleOfTheMoment) {
    // Built under the classic locale.
    EXPECT_EQ(notification::icon_flags("information"), MB_ICONINFORMATION);
    EXPECT_EQ(notification::button_flags("abortretryignore"), MB_ABORTRETRYIGNORE);
    {
        test_locale::scoped_global_locale turkish(test_locale::dotted_i_locale());
        std::string message;
        EXPECT_EQ(error_of([] { notification::icon_flags("information"); }, &message), 12005);
        EXPECT_EQ(message, "unknown icon name in IconName");
        EXPECT_EQ(error_of([] { notification::button_flags("abortretryignore"); }, &message), 12004);
        EXPECT_EQ(message, "unknown button configuration name in DisplayButtons");
        // Capital I and names without an i are not affected.
        EXPECT_EQ(notification::icon_flags("INFORMATION"), MB_ICONINFORMATION);
        EXPECT_EQ(notification::button_flags("yesno"), MB_YESNO);
    }
    EXPECT_EQ(notification::icon_flags("information"), MB_ICONINFORMATION);
    EXPECT_EQ(notification::button_flags("abortretryignore"), MB_ABORTRETRYIGNORE);
}

}  // namespace
