// The one text conversion of the tray layer: what it accepts, what it
// refuses, and conversions on several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tray_test_support.h"
#include "utf8_to_utf16.h"

namespace {

using notification::utf8_to_utf16;

TEST(Utf8ToUtf16, ConvertsEveryPlane) {
    const std::u32string texts[] = {
        U"",
        U"plain",
        U"Gr\u00FC\u00DFe",
        U"\u20AC \u65E5\u672C",
        U"\U0001F600\U0010FFFF",
        U"\uFFFD\uFEFFbom stays text",
    };
    for (const std::u32string& text : texts) {
        EXPECT_EQ(utf8_to_utf16(tray_test::utf8_of(text)), tray_test::utf16_of(text));
    }
    EXPECT_EQ(utf8_to_utf16(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(Utf8ToUtf16, RefusesWhatIsNotUtf8WithOneMessage) {
    const char* const invalid[] = {
        "\xC3\x28",          // a lead byte without its continuation
        "\x80",              // a continuation without a lead byte
        "abc\xE2\x82",       // cut off at the end
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xFF",
        "\xC0\xAF",          // overlong
        "\xED\xA0\x80",      // a surrogate half on its own
    };
    for (const char* text : invalid) {
        SCOPED_TRACE(testing::PrintToString(std::string(text)));
        try {
            utf8_to_utf16(text);
            ADD_FAILURE() << "accepted";
        } catch (const std::range_error& error) {
            EXPECT_STREQ(error.what(), "bad conversion");
        }
    }
}

TEST(Utf8ToUtf16, ConversionsOnSeveralThreadsDoNotDisturbEachOther) {
    constexpr int thread_count = 8;
    constexpr int rounds = 3000;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < thread_count; ++t) {
        threads.emplace_back([t, &wrong] {
            // Long texts keep each conversion busy; every other thread
            // converts invalid text, whose failure must not leak into others.
            const std::u32string text = std::u32string(200 + t, static_cast<char32_t>(U'\u00E0' + t)) + U"\U0001F600";
            const std::string valid = tray_test::utf8_of(text);
            const std::wstring expected = tray_test::utf16_of(text);
            const std::string invalid = valid + "\xE2\x82";
            for (int i = 0; i < rounds; ++i) {
                if (t % 2 == 0) {
                    if (utf8_to_utf16(valid) != expected) ++wrong;
                } else {
                    try {
                        utf8_to_utf16(invalid);
                        ++wrong;
                    } catch (const std::range_error&) {
                    }
                    if (utf8_to_utf16(valid) != expected) ++wrong;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
