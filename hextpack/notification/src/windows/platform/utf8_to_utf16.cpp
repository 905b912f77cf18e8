#include "utf8_to_utf16.h"

#include <atomic>
#include <codecvt>
#include <locale>
#include <mutex>
#include <stdexcept>
#include <type_traits>

namespace notification {

namespace {

using utf8_converter = std::wstring_convert<std::codecvt_utf8_utf16<wchar_t>, wchar_t>;

// Set when the converter goes at unload. Constant-initialised and never
// destroyed, so a conversion that comes later can still ask.
std::atomic<bool> converter_destroyed{false};
static_assert(std::is_trivially_destructible<std::atomic<bool>>::value, "the flag must outlive the converter");

// The converter keeps the state of the conversion in progress, so it serves
// one conversion at a time.
struct shared_converter {
    std::mutex mutex;
    utf8_converter converter;

    shared_converter() = default;
    shared_converter(const shared_converter&) = delete;
    shared_converter& operator=(const shared_converter&) = delete;
    ~shared_converter() {
        // A conversion in progress ends first.
        std::lock_guard<std::mutex> lock(mutex);
        converter_destroyed = true;
    }
};

shared_converter& converter() {
    static shared_converter instance;
    return instance;
}

// UTF-8 never encodes the surrogate halves U+D800..U+DFFF (lead byte 0xED
// with a second byte of 0xA0 or more); the runtime library's converter lets
// them through.
bool has_encoded_surrogate(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) == 0xED && static_cast<unsigned char>(text[i + 1]) >= 0xA0) {
            return true;
        }
    }
    return false;
}

}  // namespace

void prepare_utf8_to_utf16() { converter(); }

std::wstring utf8_to_utf16(const std::string& text) {
    if (converter_destroyed) throw std::range_error("bad conversion");
    shared_converter& shared = converter();
    std::lock_guard<std::mutex> lock(shared.mutex);
    std::wstring converted;
    try {
        converted = shared.converter.from_bytes(text);
    } catch (const std::range_error&) {
        // The runtime library's own text names its function; callers see one message.
        throw std::range_error("bad conversion");
    }
    // The runtime library stops quietly at a sequence cut off at the end.
    if (shared.converter.converted() != text.size() || has_encoded_surrogate(text)) {
        throw std::range_error("bad conversion");
    }
    return converted;
}

}  // namespace notification
