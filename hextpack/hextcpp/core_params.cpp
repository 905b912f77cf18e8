#include "core_params.h"

#include "bgra_conversion.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hextcpp {

namespace {

// HALCON's memory tracing wants the caller's file and line.
constexpr const char* source_name = "..\\..\\..\\hextpack\\hextcpp\\core_params.cpp";
constexpr int32_t allocation_line = 73;
constexpr int32_t allocation_kind = -112;

constexpr int wrong_type_base = 1200;
constexpr int wrong_count_base = 1400;
constexpr int missing_channel = 2105;
constexpr int wrong_channel_count = 5570;
constexpr int wrong_pixel_type = 9001;
constexpr int channel_size_mismatch = 9020;
constexpr int not_enough_memory = 6001;

void check(Herror status) {
    if (status != H_MSG_TRUE) throw herror_exception(status);
}

struct control_values {
    const Hcpar* values;
    Hlong count;
};

// Fetches a parameter's values and reports the read to HALCON's spy.
control_values read_control(proc_handle proc, int position) {
    Hcpar* values = nullptr;
    Hlong count = 0;
    check(HPGetPPar(proc, position, &values, &count));
    check(IOSpyCPar(proc, position, values, count, 1));
    return {values, count};
}

template <typename Value, typename Copy>
std::vector<Value> read_typed(proc_handle proc, int position, int32_t type, Copy copy) {
    const control_values input = read_control(proc, position);
    std::vector<Value> result;
    result.reserve(static_cast<size_t>(input.count));
    for (Hlong i = 0; i < input.count; ++i) {
        if (input.values[i].type != type) throw herror_exception(wrong_type_base + position);
        result.push_back(copy(input.values[i]));
    }
    return result;
}

template <typename Value>
Value only_value(std::vector<Value> values, int position) {
    if (values.size() != 1) throw herror_exception(wrong_count_base + position);
    return std::move(values.front());
}

template <typename Value>
Value optional_value(std::vector<Value> values, int position, const Value& default_value) {
    if (values.empty()) return default_value;
    if (values.size() > 1) throw herror_exception(wrong_count_base + position);
    return std::move(values.front());
}

// Memory HALCON takes over; the traced call while HALCON traces memory.
void* allocate_for_halcon(proc_handle proc, size_t size) {
    void* memory = nullptr;
    check(HTraceMemory ? HXAllocMemCheck(proc, size, source_name, allocation_line, allocation_kind, &memory)
                       : HXAlloc(proc, size, &memory));
    return memory;
}

Hcpar* allocate_records(proc_handle proc, size_t count) {
    return static_cast<Hcpar*>(allocate_for_halcon(proc, count * sizeof(Hcpar)));
}

void hand_over(proc_handle proc, int position, Hcpar* records, size_t count) {
    check(IOSpyCPar(proc, position, records, static_cast<Hlong>(count), 0));
    check(HPPutPPar(proc, position, records, static_cast<Hlong>(count)));
}

}  // namespace

string_tuple get_control_strings(proc_handle proc, int position) {
    return read_typed<std::string>(proc, position, HCPAR_STRING, [](const Hcpar& value) { return std::string(value.par.s); });
}

int_tuple get_control_ints(proc_handle proc, int position) {
    return read_typed<Hlong>(proc, position, HCPAR_INT, [](const Hcpar& value) { return value.par.l; });
}

std::string get_control_string(proc_handle proc, int position) {
    return only_value(get_control_strings(proc, position), position);
}

Hlong get_control_int(proc_handle proc, int position) { return only_value(get_control_ints(proc, position), position); }

void put_control_ints(proc_handle proc, int position, const std::vector<int32_t>& values) {
    Hcpar* records = allocate_records(proc, values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        records[i].par.l = static_cast<Hlong>(values[i]);
        records[i].type = HCPAR_INT;
    }
    hand_over(proc, position, records, values.size());
}

void put_control_strings(proc_handle proc, int position, const string_tuple& values) {
    Hcpar* records = allocate_records(proc, values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string& value = values[i];
        auto* copy = static_cast<char*>(allocate_for_halcon(proc, value.size() + 1));
        // HALCON's strings end at their first zero byte.
        const size_t length = std::strlen(value.c_str());
        std::memcpy(copy, value.data(), length);
        copy[length] = '\0';
        records[i].par.s = copy;
        records[i].type = HCPAR_STRING;
    }
    hand_over(proc, position, records, values.size());
}

Hlong get_param_int(proc_handle proc, int position) { return get_control_int(proc, position); }

Hlong get_param_int_optional(proc_handle proc, int position, Hlong default_value) {
    return optional_value(get_control_ints(proc, position), position, default_value);
}

std::string get_param_string(proc_handle proc, int position) { return get_control_string(proc, position); }

std::string get_param_string_optional(proc_handle proc, int position, const std::string& default_value) {
    return optional_value(get_control_strings(proc, position), position, default_value);
}

string_tuple get_param_string_tuple(proc_handle proc, int position) { return get_control_strings(proc, position); }

void put_param_int(proc_handle proc, int position, int32_t value) { put_control_ints(proc, position, {value}); }

void put_param_string(proc_handle proc, int position, const std::string& value) {
    put_control_strings(proc, position, {value});
}

std::vector<image_object> get_param_images(proc_handle proc, int position) {
    static const char* const count_call = "HPGetObjNum(proc_handle,pos1,num)";
    constexpr int32_t count_line = 10;
    if (IOGetSpyProcCallSwitch()) IOSpyProcCall(count_call, count_line, source_name);
    Hlong object_count = 0;
    const Herror counted = HPGetObjNum(proc, 1, &object_count);
    if (counted != H_MSG_TRUE) {
        const Herror reported = HProcessErr(count_call, counted, count_line, source_name);
        throw herror_exception(reported != H_MSG_TRUE ? reported : counted);
    }

    std::vector<image_object> objects;
    if (!HCheckInpObjNum(proc, position, 1)) return objects;
    for (Hlong number = 1;; ++number) {
        Hkey key = nullptr;
        if (HPGetObj(proc, position, number, &key) != H_MSG_TRUE || !key) break;
        image_object object;
        Hrlregion* domain = nullptr;
        check(HPGetFDRL(proc, key, &domain));
        object.domain = domain;
        int32_t channel_count = 0;
        check(HPNumOfChannels(proc, position, number, &channel_count));
        Hkey first_channel = nullptr;
        HPGetComp(proc, key, 1, &first_channel);
        if (!first_channel) throw herror_exception(missing_channel);
        for (int32_t channel = 1;; ++channel) {
            Hkey channel_key = nullptr;
            if (HPGetComp(proc, key, channel, &channel_key) != H_MSG_TRUE || !channel_key) break;
            Himage image{};
            if (HPGetImage(proc, channel_key, &image) != H_MSG_TRUE) break;
            object.channels.push_back(image);
        }
        objects.push_back(std::move(object));
        if (!HCheckInpObjNum(proc, position, number + 1)) break;
    }
    return objects;
}

void check_channel_types(const std::vector<Himage>& channels, int32_t type_mask) {
    for (const Himage& channel : channels) {
        if ((channel.kind & type_mask) == 0) throw herror_exception(wrong_pixel_type);
    }
}

namespace {

// Writes one run's pixels with the mapping for the channel count.
class bgra_writer {
public:
    bgra_writer(const std::vector<Himage>& channels, uint8_t* out, bgra_conversion::pixel_loop loop)
        : out_(out), wide_(loop == bgra_conversion::pixel_loop::fastest) {
        for (size_t i = 0; i < channels.size(); ++i) in_[i] = static_cast<const uint8_t*>(channels[i].pixels);
        gray_ = channels.size() == 1;
    }

    void write(size_t first, size_t last) const {
        size_t p = first;
        uint8_t* out = out_ + first * 4;
        if (gray_) {
            const uint8_t* gray = in_[0];
#if defined(__SSE2__)
            const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
            for (; wide_ && p + 16 <= last + 1; p += 16, out += 64) {
                const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(gray + p));
                const __m128i gg_low = _mm_unpacklo_epi8(g, g);
                const __m128i gg_high = _mm_unpackhi_epi8(g, g);
                store4(out, _mm_or_si128(_mm_unpacklo_epi16(gg_low, gg_low), alpha),
                       _mm_or_si128(_mm_unpackhi_epi16(gg_low, gg_low), alpha),
                       _mm_or_si128(_mm_unpacklo_epi16(gg_high, gg_high), alpha),
                       _mm_or_si128(_mm_unpackhi_epi16(gg_high, gg_high), alpha));
            }
#endif
            for (; p <= last; ++p, out += 4) {
                const uint8_t value = gray[p];
                out[0] = value;
                out[1] = value;
                out[2] = value;
                out[3] = 255;
            }
        } else {
            const uint8_t* red = in_[0];
            const uint8_t* green = in_[1];
            const uint8_t* blue = in_[2];
#if defined(__SSE2__)
            const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
            for (; wide_ && p + 16 <= last + 1; p += 16, out += 64) {
                const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + p));
                const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + p));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + p));
                const __m128i bg_low = _mm_unpacklo_epi8(b, g);
                const __m128i bg_high = _mm_unpackhi_epi8(b, g);
                const __m128i ra_low = _mm_unpacklo_epi8(r, opaque);
                const __m128i ra_high = _mm_unpackhi_epi8(r, opaque);
                store4(out, _mm_unpacklo_epi16(bg_low, ra_low), _mm_unpackhi_epi16(bg_low, ra_low),
                       _mm_unpacklo_epi16(bg_high, ra_high), _mm_unpackhi_epi16(bg_high, ra_high));
            }
#endif
            for (; p <= last; ++p, out += 4) {
                out[0] = blue[p];
                out[1] = green[p];
                out[2] = red[p];
                out[3] = 255;
            }
        }
    }

private:
#if defined(__SSE2__)
    static void store4(uint8_t* out, __m128i a, __m128i b, __m128i c, __m128i d) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 48), d);
    }
#endif

    const uint8_t* in_[3] = {};
    uint8_t* out_;
    bool wide_;
    bool gray_ = true;
};

}  // namespace

namespace bgra_conversion {

void write_domain(const image_object& image, int32_t width, int32_t height, uint8_t* out, pixel_loop loop) {
    if (!image.domain || image.domain->num_runs <= 0 || width <= 0 || height <= 0) return;
    for (const Himage& channel : image.channels) {
        if (!channel.pixels) return;
    }

    const bgra_writer writer(image.channels, out, loop);
    const Hrun* runs = image.domain->runs;
    for (Hlong i = 0; i < image.domain->num_runs; ++i) {
        const int64_t row = runs[i].row;
        int64_t first = runs[i].first_column;
        int64_t last = runs[i].last_column;
        // A run that starts before the image ends the walk.
        if (row * width + first < 0) break;
        // Parts of runs outside the image are never read or written.
        if (row < 0 || row >= height) continue;
        first = std::max<int64_t>(first, 0);
        last = std::min<int64_t>(last, static_cast<int64_t>(width) - 1);
        if (first > last) continue;
        writer.write(static_cast<size_t>(row * width + first), static_cast<size_t>(row * width + last));
    }
}

}  // namespace bgra_conversion

bgra_image image_to_bgra(const image_object& image) {
    const std::vector<Himage>& channels = image.channels;
    if (channels.empty()) return {};
    check_channel_types(channels, HIMAGE_BYTE);
    const int32_t width = channels.front().width;
    const int32_t height = channels.front().height;
    for (const Himage& channel : channels) {
        if (channel.width != width || channel.height != height) throw herror_exception(channel_size_mismatch);
    }
    if (channels.size() != 1 && channels.size() != 3) throw herror_exception(wrong_channel_count);

    // The byte count must fit a signed 32-bit value; refuse before allocating.
    const int64_t byte_count = static_cast<int64_t>(width) * static_cast<int64_t>(height) * 4;
    if (width < 0 || height < 0 || byte_count > std::numeric_limits<int32_t>::max()) {
        throw herror_exception(not_enough_memory);
    }

    bgra_image result;
    result.width = width;
    result.height = height;
    result.pixels.assign(static_cast<size_t>(byte_count), 0);
    bgra_conversion::write_domain(image, width, height, result.pixels.data());
    return result;
}

}  // namespace hextcpp
