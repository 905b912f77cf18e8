#include "utf8_to_utf16.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

namespace notification {

namespace {

[[noreturn]] void refuse() { throw std::range_error("bad conversion"); }

}  // namespace

// The platform's conversion keeps no state and needs no lock: a thread ended
// in the middle of one, as at process exit, leaves nothing behind. With
// MB_ERR_INVALID_CHARS it refuses all that is not well-formed UTF-8 (stray,
// overlong and cut-off sequences, encoded surrogates, code points above
// U+10FFFF), so nothing is checked here besides.
std::wstring utf8_to_utf16(const std::string& text) {
    if (text.empty()) return std::wstring();
    // The length is passed, never -1, so that embedded NULs convert too.
    if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) refuse();
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (needed <= 0) refuse();
    std::wstring converted(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, &converted[0], needed) != needed) {
        refuse();
    }
    return converted;
}

}  // namespace notification
