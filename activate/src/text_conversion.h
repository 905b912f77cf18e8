// Strict conversions between the tool's UTF-8 strings and the UTF-16 of the
// registry, the dialog and the process start.
#ifndef ACTIVATE_TEXT_CONVERSION_H
#define ACTIVATE_TEXT_CONVERSION_H

#include <string>

namespace activate {

// Both throw std::range_error("bad conversion") for input that is not well
// formed (stray or overlong UTF-8, encoded surrogates, code points above
// U+10FFFF, unpaired UTF-16 surrogates). A byte-order mark is an ordinary
// character: none is added, none is dropped.
std::wstring toUtf16(const std::string& utf8);
std::string toUtf8(const std::wstring& utf16);

}  // namespace activate

#endif
