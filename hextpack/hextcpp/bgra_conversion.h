// The conversion core behind image_to_bgra, reachable on its own so that
// its speed can be measured apart from the allocation of the result.
#ifndef HEXTCPP_BGRA_CONVERSION_H
#define HEXTCPP_BGRA_CONVERSION_H

#include <cstdint>

#include "core_params.h"

namespace hextcpp::bgra_conversion {

enum class pixel_loop {
    fastest,    // what image_to_bgra uses
    per_pixel,  // one pixel at a time, the baseline
};

// Writes the pixels the image's domain covers into out, a width x height
// buffer laid out as a bgra_image's pixels; all other bytes stay as they
// are. The channels must have passed image_to_bgra's checks and be width x
// height; runs outside the image are clipped or skipped as image_to_bgra
// does.
void write_domain(const image_object& image, int32_t width, int32_t height, uint8_t* out,
                  pixel_loop loop = pixel_loop::fastest);

}  // namespace hextcpp::bgra_conversion

#endif
