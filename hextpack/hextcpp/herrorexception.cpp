#include "herrorexception.h"

namespace hextcpp {

namespace {

// HALCON's memory tracing wants the caller's file and line with every tuple call.
constexpr const char* source_name = "..\\..\\..\\hextpack\\hextcpp\\herrorexception.cpp";

std::string text_for(int code, const char* message) {
    return message ? std::string(message) : halcon_error_text(code);
}

}  // namespace

std::string halcon_error_text(int code) {
    Htuple code_tuple = nullptr;
    Htuple text_tuple = nullptr;
    Mcreate_tuple_i(&code_tuple, code, source_name, 32);
    T_get_error_text(code_tuple, &text_tuple);
    const char* text = Mget_s(text_tuple, 0, source_name, 35);
    std::string result = text ? text : "";
    Mdestroy_tuple(code_tuple, source_name, 36);
    Mdestroy_tuple(text_tuple, source_name, 37);
    return result;
}

herror_exception::herror_exception(int code_, const char* message)
    : std::runtime_error(text_for(code_, message)), code(code_), has_own_message(message != nullptr) {}

herror_exception::~herror_exception() = default;

int herror_exception::report(proc_handle proc) const {
    if (has_own_message) {
        HSetExtendedErrorInfo(proc, code, what());
    }
    return code;
}

}  // namespace hextcpp
