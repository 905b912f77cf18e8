// The package's one conversion of UTF-8 text to the UTF-16 the shell shows.
#ifndef NOTIFICATION_UTF8_TO_UTF16_H
#define NOTIFICATION_UTF8_TO_UTF16_H

#include <string>

namespace notification {

// Throws std::range_error("bad conversion") for text that is not valid UTF-8,
// a sequence cut off at the end included. Safe to call from several threads,
// and at any time up to unload: it holds no lock and no state.
std::wstring utf8_to_utf16(const std::string& text);

}  // namespace notification

#endif
