#include "text_conversion.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

namespace activate {
namespace {

[[noreturn]] void throwBadConversion() { throw std::range_error("bad conversion"); }

// The platform calls take the length as an int; it is always passed, never
// -1, so that embedded NULs convert too.
int lengthOf(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) throwBadConversion();
    return static_cast<int>(size);
}

}  // namespace

// With MB_ERR_INVALID_CHARS and WC_ERR_INVALID_CHARS the platform refuses
// all that is not well formed, so nothing is checked here besides.
std::wstring toUtf16(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int length = lengthOf(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (needed <= 0) throwBadConversion();
    std::wstring result(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, &result[0], needed) != needed) {
        throwBadConversion();
    }
    return result;
}

std::string toUtf8(const std::wstring& utf16) {
    if (utf16.empty()) return std::string();
    const int length = lengthOf(utf16.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) throwBadConversion();
    std::string result(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length, &result[0], needed, nullptr,
                            nullptr) != needed) {
        throwBadConversion();
    }
    return result;
}

}  // namespace activate
