// Calls an operator's entry function as HALCON does: a fresh stand-in
// procedure handle with the inputs pushed, and what the call left behind.
#ifndef TESTS_MESSAGE_BOX_OPERATOR_CALL_H
#define TESTS_MESSAGE_BOX_OPERATOR_CALL_H

#include <string>
#include <vector>

#include "standin.h"

namespace operator_call {

using entry_function = Herror (*)(Hproc_handle);
using standin::input_tuple;
using standin::input_value;

struct outcome {
    Herror status = 0;
    std::vector<standin::call> error_infos;  // every HSetExtendedErrorInfo
    int32_t output_count = -1;               // -1: nothing was written
    std::vector<std::string> outputs;        // the written strings; other types as "type N"
};

// The stand-in's name for the handle of a call: the log is reset for each
// call, so it is always the first handle.
inline const std::string proc_label = "proc:1";

inline standin::call error_info(int code, const std::string& text) {
    return {"HSetExtendedErrorInfo", {proc_label, std::to_string(code), text}};
}

// Runs the entry with the control inputs at positions 1, 2, ... and reads
// output position 1.
inline outcome run(entry_function entry, const std::vector<input_tuple>& inputs) {
    standin_reset();
    Hproc_handle proc = standin_new_proc();
    for (size_t i = 0; i < inputs.size(); ++i) standin::push(proc, static_cast<int32_t>(i + 1), inputs[i]);
    outcome result;
    result.status = entry(proc);
    result.error_infos = standin::calls_of("HSetExtendedErrorInfo");
    result.output_count = standin_output_count(proc, 1);
    const Hcpar* records = standin_output_records(proc, 1);
    for (int32_t i = 0; records && i < result.output_count; ++i) {
        result.outputs.push_back(records[i].type == HCPAR_STRING ? std::string(records[i].par.s)
                                                                 : "type " + std::to_string(records[i].type));
    }
    return result;
}

}  // namespace operator_call

#endif
