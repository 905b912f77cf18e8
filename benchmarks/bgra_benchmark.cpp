// Speed of the image to pixel-buffer conversion, each figure a ratio against
// a baseline measured in the same run:
//  - the conversion into a reused buffer against memcpy of the output size
//    into a reused buffer (what moving the bytes alone costs);
//  - the wide copy against the per-pixel loop, both into a reused buffer;
//  - the whole image_to_bgra call against a copy into a new buffer of the
//    output size (both pay for fresh memory).
// A ratio above 1 means the first one is faster. The output of every
// variant is checked against a per-pixel reference first.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bgra_conversion.h"
#include "core_params.h"

namespace {

using clock_type = std::chrono::steady_clock;
using hextcpp::bgra_conversion::pixel_loop;

constexpr int samples = 9;
// Each sample moves about this many output bytes, so that small images are
// timed over many calls.
constexpr size_t bytes_per_sample = size_t{64} << 20;

// Keeps the compiler from dropping or merging work whose result is unused.
inline void keep(const void* pointer) { asm volatile("" : : "r"(pointer) : "memory"); }

// The best time of one call, over samples of many calls each.
template <typename Work>
double seconds_per_call(size_t calls_per_sample, Work work) {
    double best = 1e30;
    for (int sample = 0; sample < samples; ++sample) {
        const auto start = clock_type::now();
        for (size_t call = 0; call < calls_per_sample; ++call) work();
        const double seconds = std::chrono::duration<double>(clock_type::now() - start).count();
        best = std::min(best, seconds);
    }
    return best / static_cast<double>(calls_per_sample);
}

struct test_image {
    int32_t side;
    std::vector<uint8_t> planes[3];
    std::vector<Hrun> runs;
    Hrlregion domain{};

    explicit test_image(int32_t side_) : side(side_) {
        const size_t pixel_count = static_cast<size_t>(side) * static_cast<size_t>(side);
        for (int c = 0; c < 3; ++c) {
            planes[c].resize(pixel_count);
            for (size_t p = 0; p < pixel_count; ++p) planes[c][p] = static_cast<uint8_t>(p * (c + 3) + c * 101);
        }
        for (int32_t row = 0; row < side; ++row) {
            runs.push_back({static_cast<Hrun_coord>(row), 0, static_cast<Hrun_coord>(side - 1)});
        }
        domain = {static_cast<Hlong>(runs.size()), runs.data()};
    }

    hextcpp::image_object object(int channels) const {
        hextcpp::image_object image;
        image.domain = &domain;
        for (int c = 0; c < channels; ++c) {
            Himage channel{};
            channel.kind = HIMAGE_BYTE;
            channel.pixels = const_cast<uint8_t*>(planes[c].data());
            channel.width = side;
            channel.height = side;
            image.channels.push_back(channel);
        }
        return image;
    }

    // Blue, green, red, alpha, one pixel at a time; the domain is the image.
    std::vector<uint8_t> reference(int channels) const {
        std::vector<uint8_t> out(planes[0].size() * 4);
        for (size_t p = 0; p < planes[0].size(); ++p) {
            out[p * 4 + 0] = planes[channels == 1 ? 0 : 2][p];
            out[p * 4 + 1] = planes[channels == 1 ? 0 : 1][p];
            out[p * 4 + 2] = planes[0][p];
            out[p * 4 + 3] = 255;
        }
        return out;
    }
};

bool check_output(const test_image& source, int channels) {
    const hextcpp::image_object image = source.object(channels);
    const std::vector<uint8_t> expected = source.reference(channels);
    std::vector<uint8_t> wide(expected.size()), per_pixel(expected.size());
    hextcpp::bgra_conversion::write_domain(image, source.side, source.side, wide.data(), pixel_loop::fastest);
    hextcpp::bgra_conversion::write_domain(image, source.side, source.side, per_pixel.data(), pixel_loop::per_pixel);
    const bool matches = wide == expected && per_pixel == expected && hextcpp::image_to_bgra(image).pixels == expected;
    if (!matches) std::printf("%dx%d, %d channel(s): output differs from the reference\n", source.side, source.side, channels);
    return matches;
}

}  // namespace

int main() {
    bool all_match = true;
    std::printf("%-10s %-8s %14s %14s %14s %14s\n", "size", "channels", "MB/s output", "conv/memcpy", "wide/per-pixel",
                "call/new copy");
    for (const int32_t side : {16, 32, 64, 256, 4096}) {
        const test_image source(side);
        const size_t output_bytes = static_cast<size_t>(side) * static_cast<size_t>(side) * 4;
        const size_t calls = std::max<size_t>(1, bytes_per_sample / output_bytes);
        const std::vector<uint8_t> copy_source(output_bytes, 7);
        std::vector<uint8_t> reused(output_bytes);

        const double memcpy_time = seconds_per_call(calls, [&] {
            std::memcpy(reused.data(), copy_source.data(), output_bytes);
            keep(reused.data());
        });
        const double new_copy_time = seconds_per_call(calls, [&] {
            std::vector<uint8_t> fresh(copy_source.begin(), copy_source.end());
            keep(fresh.data());
        });

        for (const int channels : {1, 3}) {
            all_match = check_output(source, channels) && all_match;
            const hextcpp::image_object image = source.object(channels);
            auto convert_with = [&](pixel_loop loop) {
                return seconds_per_call(calls, [&] {
                    hextcpp::bgra_conversion::write_domain(image, side, side, reused.data(), loop);
                    keep(reused.data());
                });
            };
            const double wide_time = convert_with(pixel_loop::fastest);
            const double per_pixel_time = convert_with(pixel_loop::per_pixel);
            const double call_time = seconds_per_call(calls, [&] {
                const hextcpp::bgra_image result = hextcpp::image_to_bgra(image);
                keep(result.pixels.data());
            });
            char size_text[32];
            std::snprintf(size_text, sizeof size_text, "%dx%d", side, side);
            std::printf("%-10s %-8d %14.0f %14.2f %14.2f %14.2f\n", size_text, channels,
                        static_cast<double>(output_bytes) / wide_time / 1e6, memcpy_time / wide_time,
                        per_pixel_time / wide_time, new_copy_time / call_time);
        }
    }
    std::printf("ratios above 1: the first one is faster. conv: the conversion into a reused buffer; wide: the "
                "16-pixel copy; call: image_to_bgra.\n");
    return all_match ? EXIT_SUCCESS : EXIT_FAILURE;
}
