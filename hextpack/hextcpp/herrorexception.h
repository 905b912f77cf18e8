#ifndef HEXTCPP_HERROREXCEPTION_H
#define HEXTCPP_HERROREXCEPTION_H

#include <cstdint>
#include <stdexcept>
#include <string>

#include "halcon_interface.h"

namespace hextcpp {

using proc_handle = Hproc_handle;

// HALCON's text for an error number.
std::string halcon_error_text(int code);

// The package's one error type: a HALCON error number and, optionally, a
// message of the package's own that HALCON shows with the number.
class herror_exception : public std::runtime_error {
public:
    // A null message means none of its own: the text is HALCON's for the code.
    explicit herror_exception(int code, const char* message = nullptr);
    herror_exception(const herror_exception&) = default;
    herror_exception& operator=(const herror_exception&) = default;
    ~herror_exception() override;

    // Hands the own message, if any, to HALCON and returns the code.
    int report(proc_handle proc) const;

    int32_t code;
    bool has_own_message;
};

}  // namespace hextcpp

#endif
