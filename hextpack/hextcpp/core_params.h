#ifndef HEXTCPP_CORE_PARAMS_H
#define HEXTCPP_CORE_PARAMS_H

#include <cstdint>
#include <string>
#include <vector>

#include "herrorexception.h"

namespace hextcpp {

// Positions are 1-based, as HALCON counts them; input and output control
// parameters are counted separately. Every failure is an herror_exception
// without a message of its own.
using string_tuple = std::vector<std::string>;
using int_tuple = std::vector<Hlong>;

string_tuple get_control_strings(proc_handle proc, int position);
int_tuple get_control_ints(proc_handle proc, int position);
std::string get_control_string(proc_handle proc, int position);
Hlong get_control_int(proc_handle proc, int position);
void put_control_ints(proc_handle proc, int position, const std::vector<int32_t>& values);
void put_control_strings(proc_handle proc, int position, const string_tuple& values);

// What the operator bodies call.
Hlong get_param_int(proc_handle proc, int position);
Hlong get_param_int_optional(proc_handle proc, int position, Hlong default_value);
std::string get_param_string(proc_handle proc, int position);
std::string get_param_string_optional(proc_handle proc, int position, const std::string& default_value);
string_tuple get_param_string_tuple(proc_handle proc, int position);
void put_param_int(proc_handle proc, int position, int32_t value);
void put_param_string(proc_handle proc, int position, const std::string& value);

// One object of an image input parameter, lent by HALCON for the call.
struct image_object {
    const Hrlregion* domain = nullptr;
    std::vector<Himage> channels;
};

// Width x height pixels, row by row, 4 bytes each: blue, green, red, alpha.
struct bgra_image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};

std::vector<image_object> get_param_images(proc_handle proc, int position);
// Every channel's pixel type must share a bit with the mask (9001 otherwise).
void check_channel_types(const std::vector<Himage>& channels, int32_t type_mask);
bgra_image image_to_bgra(const image_object& image);

}  // namespace hextcpp

#endif
