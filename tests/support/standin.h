// Test-side view of the stand-in HALCON runtime.
#ifndef TESTS_SUPPORT_STANDIN_H
#define TESTS_SUPPORT_STANDIN_H

#include <string>
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

}  // namespace standin

#endif
