#include "core_function_wrapper.h"

namespace hextcpp {

const char* const internal_error_text =
    "An unknown exception was caught in core_function_wrapper.\n"
    "This is an internal implementation error.\n"
    "Please report this error to support@quellmark-solutions.com.";

int core_function_wrapper(proc_handle proc, operator_body body) noexcept {
    // The body is a parameter, so it is destroyed once, on return, on every path.
    try {
        body(proc);
        return H_MSG_TRUE;
    } catch (const herror_exception& error) {
        return error.report(proc);
    } catch (...) {
        HSetExtendedErrorInfo(proc, H_MSG_FALSE, internal_error_text);
        return H_MSG_FALSE;
    }
}

}  // namespace hextcpp
