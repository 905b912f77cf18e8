#ifndef HEXTCPP_CORE_FUNCTION_WRAPPER_H
#define HEXTCPP_CORE_FUNCTION_WRAPPER_H

#include <functional>

#include "herrorexception.h"

namespace hextcpp {

// The body of one operator call. Failures are thrown, normally as
// herror_exception.
using operator_body = std::function<void(proc_handle)>;

// The text HALCON shows when something other than herror_exception escapes
// an operator body.
extern const char* const internal_error_text;

// Runs the body and turns its outcome into the status HALCON gets: 2, the
// code of an herror_exception, or 3. Never throws.
int core_function_wrapper(proc_handle proc, operator_body body) noexcept;

}  // namespace hextcpp

#endif
