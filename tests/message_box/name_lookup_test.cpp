// The name lookups compare under the global locale as it is at each call.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <locale>
#include <string>

#include "herrorexception.h"
#include "message_box.h"

namespace {

// Upper-cases 'i' to the dotted capital I of ISO 8859-9, as a Turkish
// locale does; every other byte as the classic locale does.
class dotted_i_ctype : public std::ctype<char> {
protected:
    char do_toupper(char c) const override { return c == 'i' ? '\xDD' : std::ctype<char>::do_toupper(c); }
    const char* do_toupper(char* first, const char* last) const override {
        for (; first != last; ++first) *first = do_toupper(*first);
        return last;
    }
};

class scoped_global_locale {
public:
    explicit scoped_global_locale(const std::locale& locale) : saved_(std::locale::global(locale)) {}
    ~scoped_global_locale() { std::locale::global(saved_); }
    scoped_global_locale(const scoped_global_locale&) = delete;
    scoped_global_locale& operator=(const scoped_global_locale&) = delete;

private:
    std::locale saved_;
};

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
        scoped_global_locale turkish(std::locale(std::locale::classic(), new dotted_i_ctype));
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
