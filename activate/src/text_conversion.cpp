#include "text_conversion.h"

#include <stdexcept>

namespace activate {
namespace {

static_assert(sizeof(wchar_t) == 2, "the conversions are written for Windows' 16-bit wchar_t");

[[noreturn]] void throwBadConversion() { throw std::range_error("bad conversion"); }

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Decodes the code point starting at utf8[position] and moves position past it.
char32_t decodeUtf8(const std::string& utf8, std::size_t& position) {
    const auto byteAt = [&utf8](std::size_t index) { return static_cast<unsigned char>(utf8[index]); };
    const unsigned char lead = byteAt(position);
    if (lead < 0x80) {
        ++position;
        return lead;
    }
    std::size_t length;
    char32_t codePoint;
    char32_t smallest;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, codePoint = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, codePoint = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, codePoint = lead & 0x07, smallest = 0x10000;
    } else {
        throwBadConversion();  // a continuation byte, C0/C1 or F5 to FF
    }
    if (utf8.size() - position < length) throwBadConversion();
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byteAt(position + i);
        if (!isContinuation(next)) throwBadConversion();
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        throwBadConversion();
    }
    position += length;
    return codePoint;
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

std::wstring toUtf16(const std::string& utf8) {
    std::wstring result;
    result.reserve(utf8.size());
    std::size_t position = 0;
    while (position < utf8.size()) {
        const char32_t codePoint = decodeUtf8(utf8, position);
        if (codePoint < 0x10000) {
            result += static_cast<wchar_t>(codePoint);
        } else {
            const char32_t offset = codePoint - 0x10000;
            result += static_cast<wchar_t>(0xD800 + (offset >> 10));
            result += static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
        }
    }
    return result;
}

std::string toUtf8(const std::wstring& utf16) {
    std::string result;
    result.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char32_t unit = static_cast<char16_t>(utf16[i]);
        if (isLowSurrogate(unit)) throwBadConversion();
        if (!isHighSurrogate(unit)) {
            appendUtf8(result, unit);
            continue;
        }
        if (i + 1 == utf16.size()) throwBadConversion();
        const char32_t low = static_cast<char16_t>(utf16[++i]);
        if (!isLowSurrogate(low)) throwBadConversion();
        appendUtf8(result, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    }
    return result;
}

}  // namespace activate
