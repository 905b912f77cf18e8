// The strict UTF-8 / UTF-16 conversions of the tool.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include "text_conversion.h"

namespace {

std::wstring units(std::initializer_list<unsigned> codeUnits) {
    std::wstring text;
    for (unsigned unit : codeUnits) text += static_cast<wchar_t>(unit);
    return text;
}

void expectBadConversion(const std::function<void()>& convert, const std::string& what) {
    try {
        convert();
        ADD_FAILURE() << what << ": no exception";
    } catch (const std::exception& error) {
        EXPECT_EQ(typeid(error), typeid(std::range_error)) << what;
        EXPECT_STREQ(error.what(), "bad conversion") << what;
    }
}

TEST(TextConversion, ConvertsEveryRangeBothWays) {
    struct Case {
        std::string utf8;
        std::wstring utf16;
    };
    const Case cases[] = {
        {"", L""},
        {"HALCONEXTENSIONS", L"HALCONEXTENSIONS"},
        {std::string("a\0b", 3), units({'a', 0, 'b'})},
        {"\x7F", units({0x7F})},
        {"\xC2\x80", units({0x80})},
        {"Z\xC3\xBCrich", units({'Z', 0xFC, 'r', 'i', 'c', 'h'})},
        {"\xDF\xBF", units({0x7FF})},
        {"\xE0\xA0\x80", units({0x800})},
        {"\xE2\x82\xAC", units({0x20AC})},
        {"\xED\x9F\xBF", units({0xD7FF})},
        {"\xEE\x80\x80", units({0xE000})},
        {"\xEF\xBB\xBF" "a", units({0xFEFF, 'a'})},  // a byte-order mark is an ordinary character
        {"\xEF\xBF\xBF", units({0xFFFF})},
        {"\xF0\x90\x80\x80", units({0xD800, 0xDC00})},
        {"\xF0\x9D\x84\x9E", units({0xD834, 0xDD1E})},
        {"\xF4\x8F\xBF\xBF", units({0xDBFF, 0xDFFF})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(activate::toUtf16(c.utf8), c.utf16) << testing::PrintToString(c.utf8);
        EXPECT_EQ(activate::toUtf8(c.utf16), c.utf8) << testing::PrintToString(c.utf8);
    }
}

TEST(TextConversion, RejectsUtf8ThatIsNotWellFormed) {
    const std::string cases[] = {
        "\x80",                  // a continuation byte without lead
        "a\xBF" "b",             // the same inside text
        "\xC0\xAF",              // overlong two bytes
        "\xC1\xBF",              // overlong two bytes
        "\xE0\x80\xAF",          // overlong three bytes
        "\xF0\x80\x80\xAF",      // overlong four bytes
        "\xED\xA0\x80",          // an encoded high surrogate
        "\xED\xBF\xBF",          // an encoded low surrogate
        "\xF4\x90\x80\x80",      // above U+10FFFF
        "\xF5\x80\x80\x80",      // a lead byte that never occurs
        "\xFF",                  // likewise
        "\xE2\x82",              // cut short at the end
        "\xE2\x82" "a",          // cut short by an ASCII character
        "\xC3",                  // a lone lead byte
    };
    for (const std::string& text : cases) {
        expectBadConversion([&text] { activate::toUtf16(text); }, testing::PrintToString(text));
    }
}

TEST(TextConversion, RejectsUnpairedSurrogates) {
    const std::wstring cases[] = {
        units({0xD800}),
        units({0xDC00}),
        units({'a', 0xD834, 'b'}),
        units({0xDD1E, 0xD834}),  // the pair in the wrong order
        units({0xD834, 0xD834, 0xDD1E}),
    };
    for (const std::wstring& text : cases) {
        expectBadConversion([&text] { activate::toUtf8(text); }, testing::PrintToString(text.size()) + " units");
    }
}

}  // namespace
