// Test-side view of the stand-in HALCON runtime.
#ifndef TESTS_SUPPORT_STANDIN_H
#define TESTS_SUPPORT_STANDIN_H

#include <string>
#include <variant>
#include <vector>

#include "standin_control.h"
#include "standinc_control.h"

namespace standin {

struct call {
    std::string function;
    std::vector<std::string> args;
    bool operator==(const call& other) const { return function == other.function && args == other.args; }
};

inline std::vector<call> calls() {
    std::vector<call> result;
    const int32_t count = standin_call_count();
    for (int32_t i = 0; i < count; ++i) {
        call item{standin_call_function(i), {}};
        const int32_t args = standin_call_arg_count(i);
        for (int32_t j = 0; j < args; ++j) item.args.push_back(standin_call_arg(i, j));
        result.push_back(std::move(item));
    }
    return result;
}

inline std::vector<call> calls_of(const std::string& function) {
    std::vector<call> result;
    for (call& item : calls()) {
        if (item.function == function) result.push_back(std::move(item));
    }
    return result;
}

inline std::vector<call> calls_except(const std::vector<std::string>& functions) {
    std::vector<call> result;
    for (call& item : calls()) {
        bool skip = false;
        for (const std::string& function : functions) skip = skip || item.function == function;
        if (!skip) result.push_back(std::move(item));
    }
    return result;
}

// One value of a control parameter as a test gives it.
using input_value = std::variant<std::string, Hlong, double>;
using input_tuple = std::vector<input_value>;

// Appends the values to the control input at the position.
inline void push(Hproc_handle proc, int32_t position, const input_tuple& values) {
    for (const input_value& value : values) {
        if (auto text = std::get_if<std::string>(&value)) standin_push_string(proc, position, text->c_str());
        if (auto integer = std::get_if<Hlong>(&value)) standin_push_int(proc, position, *integer);
        if (auto real = std::get_if<double>(&value)) standin_push_real(proc, position, *real);
    }
}

}  // namespace standin

#endif
