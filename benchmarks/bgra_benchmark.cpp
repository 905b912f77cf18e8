// Throughput of the image to pixel-buffer conversion, against memcpy of a
// buffer of the same output size measured in the same run.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core_params.h"

namespace {

constexpr int32_t side = 4096;
constexpr int repetitions = 10;

using clock_type = std::chrono::steady_clock;

template <typename Work>
double best_seconds(Work work) {
    double best = 1e30;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = clock_type::now();
        work();
        const double seconds = std::chrono::duration<double>(clock_type::now() - start).count();
        if (seconds < best) best = seconds;
    }
    return best;
}

double megabytes_per_second(size_t bytes, double seconds) { return static_cast<double>(bytes) / seconds / 1e6; }

}  // namespace

int main() {
    const size_t pixel_count = static_cast<size_t>(side) * side;
    const size_t output_bytes = pixel_count * 4;

    std::vector<uint8_t> planes[3];
    for (int c = 0; c < 3; ++c) {
        planes[c].resize(pixel_count);
        for (size_t p = 0; p < pixel_count; ++p) planes[c][p] = static_cast<uint8_t>(p * (c + 3));
    }
    std::vector<Hrun> runs;
    for (int32_t row = 0; row < side; ++row) {
        runs.push_back({static_cast<Hrun_coord>(row), 0, static_cast<Hrun_coord>(side - 1)});
    }
    Hrlregion domain{static_cast<Hlong>(runs.size()), runs.data()};

    auto image_with = [&](int channels) {
        hextcpp::image_object image;
        image.domain = &domain;
        for (int c = 0; c < channels; ++c) {
            Himage channel{};
            channel.kind = HIMAGE_BYTE;
            channel.pixels = planes[c].data();
            channel.width = side;
            channel.height = side;
            image.channels.push_back(channel);
        }
        return image;
    };

    std::vector<uint8_t> source(output_bytes, 7), target(output_bytes);
    volatile uint8_t sink = 0;
    const double copy = best_seconds([&] {
        std::memcpy(target.data(), source.data(), output_bytes);
        sink = sink + target[output_bytes / 2];
    });
    std::printf("memcpy of %zu bytes into a reused buffer: %.0f MB/s\n", output_bytes, megabytes_per_second(output_bytes, copy));

    // The conversion must hand out a new buffer; a copy into a new buffer is
    // the like-for-like baseline, since fresh pages cost as much as the copy.
    const double fresh_copy = best_seconds([&] {
        std::vector<uint8_t> fresh(source.begin(), source.end());
        sink = sink + fresh[output_bytes / 2];
    });
    std::printf("copy into a new buffer: %.0f MB/s\n", megabytes_per_second(output_bytes, fresh_copy));

    for (int channels : {1, 3}) {
        const hextcpp::image_object image = image_with(channels);
        const double convert = best_seconds([&] {
            const hextcpp::bgra_image result = hextcpp::image_to_bgra(image);
            sink = sink + result.pixels[output_bytes / 2];
        });
        std::printf(
            "image_to_bgra, %d channel(s), %dx%d: %.0f MB/s of output; %.2f of memcpy's throughput, %.2f of the "
            "copy into a new buffer\n",
            channels, side, side, megabytes_per_second(output_bytes, convert), copy / convert, fresh_copy / convert);
    }
    return 0;
}
