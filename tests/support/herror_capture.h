// Runs a call that may throw the package's error type and gives its code.
#ifndef TESTS_SUPPORT_HERROR_CAPTURE_H
#define TESTS_SUPPORT_HERROR_CAPTURE_H

#include <gtest/gtest.h>

#include <functional>

#include "herrorexception.h"

// The code an herror_exception from the call carries, or 2 without one.
// Parameter errors carry HALCON's own text, never one of the package's.
inline int herror_code_of(const std::function<void()>& call) {
    try {
        call();
    } catch (const hextcpp::herror_exception& error) {
        EXPECT_FALSE(error.has_own_message);
        return error.code;
    }
    return 2;
}

#endif
