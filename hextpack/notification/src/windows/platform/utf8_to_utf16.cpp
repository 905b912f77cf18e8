#include "utf8_to_utf16.h"

#include <codecvt>
#include <locale>
#include <mutex>
#include <stdexcept>

namespace notification {

namespace {

using utf8_converter = std::wstring_convert<std::codecvt_utf8_utf16<wchar_t>, wchar_t>;

// The converter keeps the state of the conversion in progress, so it serves
// one conversion at a time.
struct shared_converter {
    std::mutex mutex;
    utf8_converter converter;
};

shared_converter& converter() {
    static shared_converter instance;
    return instance;
}

}  // namespace

std::wstring utf8_to_utf16(const std::string& text) {
    shared_converter& shared = converter();
    std::lock_guard<std::mutex> lock(shared.mutex);
    try {
        return shared.converter.from_bytes(text);
    } catch (const std::range_error&) {
        // The runtime library's own text names its function; callers see one message.
        throw std::range_error("bad conversion");
    }
}

}  // namespace notification
