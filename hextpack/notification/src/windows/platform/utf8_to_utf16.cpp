#include "utf8_to_utf16.h"

#include <stdexcept>

namespace notification {

std::wstring utf8_to_utf16(const std::string&) { throw std::logic_error("not built"); }

}  // namespace notification
