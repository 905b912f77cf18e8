// Stand-in for HALCON's extension-package library: implements the functions
// the package calls from what the package relies on, and records each call.
#define HALCON_STANDIN_BUILD
#include "standin_control.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct channel_data {
    Himage image{};
    std::vector<uint8_t> pixels;
    bool key_missing = false;
};

struct object_data {
    std::vector<Hrun> runs;
    Hrlregion region{};
    std::deque<channel_data> channels;
    bool key_missing = false;
};

}  // namespace

struct Hproc_handle_s {
    int id = 0;
    std::map<int32_t, std::vector<Hcpar>> inputs;
    std::deque<std::string> input_texts;  // owns the strings the inputs point to
    std::map<int32_t, std::vector<Hcpar>> outputs;
    std::map<int32_t, std::deque<object_data>> objects;
};

namespace {

struct call_record {
    std::string function;
    std::vector<std::string> args;
};

struct failure_plan {
    std::string function;
    int32_t nth;
    Herror code;
};

struct standin_state {
    std::recursive_mutex mutex;
    std::deque<call_record> calls;
    std::map<std::string, int32_t> call_counts;
    std::vector<failure_plan> plans;
    Herror process_err_answer = 0;
    Hbool spy = 0;
    int32_t operator_offset = 4711;
    Hbool failed_open_writes_offset = 0;
    std::map<std::tuple<int32_t, int32_t, int32_t>, std::string> registered;
    std::map<int32_t, void*> entries;
    std::deque<Hproc_handle_s> procs;
};

standin_state& state() {
    static standin_state instance;
    return instance;
}

using lock = std::lock_guard<std::recursive_mutex>;

std::string text(long long value) { return std::to_string(value); }
std::string text(const char* value) { return value ? std::string(value) : std::string("null"); }
std::string pointer_text(const void* pointer) {
    if (!pointer) return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%p", pointer);
    return std::string("0x") + buffer;
}
std::string proc_text(Hproc_handle proc) { return proc ? "proc:" + std::to_string(proc->id) : "null"; }

// Records the call and returns the status a failure plan gives it, or 2.
Herror record(const char* function, std::vector<std::string> args) {
    standin_state& s = state();
    lock guard(s.mutex);
    s.calls.push_back({function, std::move(args)});
    const int32_t count = ++s.call_counts[function];
    for (const failure_plan& plan : s.plans) {
        if (plan.function == function && plan.nth == count) return plan.code;
    }
    return H_MSG_TRUE;
}

std::string value_text(const Hcpar& value) {
    switch (value.type) {
        case HCPAR_INT: return "i:" + text(static_cast<long long>(value.par.l));
        case HCPAR_REAL: return "r:" + std::to_string(value.par.d);
        case HCPAR_STRING: return "s:" + text(value.par.s);
        default: return "type" + std::to_string(value.type);
    }
}

std::string values_text(const Hcpar* values, Hlong count) {
    std::string result;
    for (Hlong i = 0; values && i < count; ++i) {
        if (i) result += ",";
        result += value_text(values[i]);
    }
    return result;
}

object_data* object_at(Hproc_handle proc, int32_t position, Hlong number) {
    auto found = proc->objects.find(position);
    if (found == proc->objects.end() || number < 1 || number > static_cast<Hlong>(found->second.size())) return nullptr;
    return &found->second[static_cast<size_t>(number - 1)];
}

}  // namespace

extern "C" {

Hbool HTraceMemory = 0;

// ---- control interface -------------------------------------------------

void standin_reset(void) {
    standin_state& s = state();
    lock guard(s.mutex);
    s.calls.clear();
    s.call_counts.clear();
    s.plans.clear();
    s.process_err_answer = 0;
    s.spy = 0;
    s.operator_offset = 4711;
    s.failed_open_writes_offset = 0;
    s.registered.clear();
    s.entries.clear();
    s.procs.clear();
    HTraceMemory = 0;
}

void standin_set_spy(Hbool on) {
    lock guard(state().mutex);
    state().spy = on;
}

void standin_set_trace_memory(Hbool on) { HTraceMemory = on; }

void standin_fail_call(const char* function, int32_t nth, Herror code) {
    lock guard(state().mutex);
    state().plans.push_back({function, nth, code});
}

void standin_set_process_err_answer(Herror answer) {
    lock guard(state().mutex);
    state().process_err_answer = answer;
}

int32_t standin_call_count(void) {
    lock guard(state().mutex);
    return static_cast<int32_t>(state().calls.size());
}

const char* standin_call_function(int32_t call) {
    lock guard(state().mutex);
    if (call < 0 || call >= static_cast<int32_t>(state().calls.size())) return nullptr;
    return state().calls[static_cast<size_t>(call)].function.c_str();
}

int32_t standin_call_arg_count(int32_t call) {
    lock guard(state().mutex);
    if (call < 0 || call >= static_cast<int32_t>(state().calls.size())) return -1;
    return static_cast<int32_t>(state().calls[static_cast<size_t>(call)].args.size());
}

const char* standin_call_arg(int32_t call, int32_t arg) {
    lock guard(state().mutex);
    if (call < 0 || call >= static_cast<int32_t>(state().calls.size())) return nullptr;
    const auto& args = state().calls[static_cast<size_t>(call)].args;
    if (arg < 0 || arg >= static_cast<int32_t>(args.size())) return nullptr;
    return args[static_cast<size_t>(arg)].c_str();
}

const char* standin_registered(int32_t operator_index, int32_t info_code, int32_t direction) {
    lock guard(state().mutex);
    auto found = state().registered.find({operator_index, info_code, info_code == 7 ? direction : 0});
    return found == state().registered.end() ? nullptr : found->second.c_str();
}

void* standin_registered_entry(int32_t operator_index) {
    lock guard(state().mutex);
    auto found = state().entries.find(operator_index);
    return found == state().entries.end() ? nullptr : found->second;
}

int32_t standin_registered_operator_count(void) {
    lock guard(state().mutex);
    int32_t count = 0;
    for (const auto& item : state().registered) {
        if (std::get<1>(item.first) == 4) ++count;
    }
    return count;
}

void standin_set_operator_offset(int32_t offset) {
    lock guard(state().mutex);
    state().operator_offset = offset;
}

void standin_set_failed_open_writes_offset(Hbool on) {
    lock guard(state().mutex);
    state().failed_open_writes_offset = on;
}

Hproc_handle standin_new_proc(void) {
    standin_state& s = state();
    lock guard(s.mutex);
    s.procs.emplace_back();
    s.procs.back().id = static_cast<int>(s.procs.size());
    return &s.procs.back();
}

void standin_push_int(Hproc_handle proc, int32_t position, Hlong value) {
    Hcpar item{};
    item.par.l = value;
    item.type = HCPAR_INT;
    proc->inputs[position].push_back(item);
}

void standin_push_real(Hproc_handle proc, int32_t position, double value) {
    Hcpar item{};
    item.par.d = value;
    item.type = HCPAR_REAL;
    proc->inputs[position].push_back(item);
}

void standin_push_string(Hproc_handle proc, int32_t position, const char* value) {
    proc->input_texts.emplace_back(value);
    Hcpar item{};
    item.par.s = &proc->input_texts.back()[0];
    item.type = HCPAR_STRING;
    proc->inputs[position].push_back(item);
}

int32_t standin_output_count(Hproc_handle proc, int32_t position) {
    auto found = proc->outputs.find(position);
    return found == proc->outputs.end() ? -1 : static_cast<int32_t>(found->second.size());
}

const Hcpar* standin_output_records(Hproc_handle proc, int32_t position) {
    auto found = proc->outputs.find(position);
    return found == proc->outputs.end() ? nullptr : found->second.data();
}

int32_t standin_add_object(Hproc_handle proc, int32_t position) {
    auto& objects = proc->objects[position];
    objects.emplace_back();
    return static_cast<int32_t>(objects.size());
}

void standin_add_run(Hproc_handle proc, int32_t position, int32_t object, Hlong row, Hlong first_column,
                     Hlong last_column) {
    object_data* data = object_at(proc, position, object);
    if (!data) return;
    data->runs.push_back({static_cast<Hrun_coord>(row), static_cast<Hrun_coord>(first_column),
                          static_cast<Hrun_coord>(last_column)});
}

void standin_add_channel(Hproc_handle proc, int32_t position, int32_t object, int32_t kind, int32_t width,
                         int32_t height, const uint8_t* pixels) {
    object_data* data = object_at(proc, position, object);
    if (!data) return;
    data->channels.emplace_back();
    channel_data& channel = data->channels.back();
    if (pixels && width > 0 && height > 0) {
        channel.pixels.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
    }
    channel.image.kind = kind;
    channel.image.width = width;
    channel.image.height = height;
    channel.image.pixels = channel.pixels.empty() ? nullptr : channel.pixels.data();
}

void standin_add_missing_channel(Hproc_handle proc, int32_t position, int32_t object) {
    object_data* data = object_at(proc, position, object);
    if (!data) return;
    data->channels.emplace_back();
    data->channels.back().key_missing = true;
}

void standin_set_object_key_missing(Hproc_handle proc, int32_t position, int32_t object) {
    object_data* data = object_at(proc, position, object);
    if (data) data->key_missing = true;
}

void standin_record(const char* function, int32_t argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int32_t i = 0; i < argc; ++i) args.push_back(text(argv[i]));
    standin_state& s = state();
    lock guard(s.mutex);
    s.calls.push_back({function, std::move(args)});
}

Herror standin_planned_status(const char* function) {
    standin_state& s = state();
    lock guard(s.mutex);
    const int32_t count = ++s.call_counts[function];
    for (const failure_plan& plan : s.plans) {
        if (plan.function == function && plan.nth == count) return plan.code;
    }
    return H_MSG_TRUE;
}

// ---- HALCON's functions ------------------------------------------------

Herror HXPkgOpenId(int32_t xpkg_id, int32_t version, int32_t flags, int32_t operator_count, int32_t* operator_offset) {
    const Herror status = record("HXPkgOpenId", {text(xpkg_id), text(version), text(flags), text(operator_count)});
    lock guard(state().mutex);
    if (status == H_MSG_TRUE || state().failed_open_writes_offset) *operator_offset = state().operator_offset;
    return status;
}

Herror HXPkgSetOpInfo(int32_t xpkg_id, int32_t operator_index, int32_t info_code, ...) {
    std::vector<std::string> args{text(xpkg_id), text(operator_index), text(info_code)};
    int32_t direction = 0;
    std::string value;
    void* entry = nullptr;
    va_list values;
    va_start(values, info_code);
    switch (info_code) {
        case 7:
            direction = va_arg(values, int32_t);
            args.push_back(text(direction));
            value = text(va_arg(values, const char*));
            break;
        case 4:
        case 5: value = text(va_arg(values, const char*)); break;
        case 50:
            entry = va_arg(values, void*);
            value = entry ? "fn:" + pointer_text(entry) : "null";
            break;
        case 16: value = pointer_text(va_arg(values, void*)); break;
        default: value = text(va_arg(values, int32_t)); break;
    }
    va_end(values);
    args.push_back(value);
    const Herror status = record("HXPkgSetOpInfo", std::move(args));
    if (status != H_MSG_TRUE) return status;
    lock guard(state().mutex);
    state().registered[{operator_index, info_code, direction}] = value;
    if (info_code == 50) state().entries[operator_index] = entry;
    return H_MSG_TRUE;
}

Herror HProcessErr(const char* call_text, Herror code, int32_t line, const char* source) {
    const Herror planned = record("HProcessErr", {text(call_text), text(code), text(line), text(source)});
    if (planned != H_MSG_TRUE) return planned;
    lock guard(state().mutex);
    return state().process_err_answer ? state().process_err_answer : code;
}

Hbool IOGetSpyProcCallSwitch(void) {
    record("IOGetSpyProcCallSwitch", {});
    lock guard(state().mutex);
    return state().spy;
}

Herror IOSpyProcCall(const char* call_text, int32_t line, const char* source) {
    return record("IOSpyProcCall", {text(call_text), text(line), text(source)});
}

Herror HSetExtendedErrorInfo(Hproc_handle proc, Herror code, const char* error_text) {
    return record("HSetExtendedErrorInfo", {proc_text(proc), text(code), text(error_text)});
}

Herror IOSpyCPar(Hproc_handle proc, int32_t position, const Hcpar* values, Hlong count, Hbool is_input) {
    return record("IOSpyCPar", {proc_text(proc), text(position), values_text(values, count), text(count),
                                text(is_input)});
}

Herror HPGetPPar(Hproc_handle proc, int32_t position, Hcpar** values, Hlong* count) {
    const Herror status = record("HPGetPPar", {proc_text(proc), text(position)});
    if (status != H_MSG_TRUE) return status;
    auto& input = proc->inputs[position];
    *values = input.data();
    *count = static_cast<Hlong>(input.size());
    return H_MSG_TRUE;
}

Herror HPPutPPar(Hproc_handle proc, int32_t position, Hcpar* values, Hlong count) {
    const Herror status =
        record("HPPutPPar", {proc_text(proc), text(position), values_text(values, count), text(count)});
    if (status != H_MSG_TRUE) return status;
    proc->outputs[position].assign(values, values + count);
    return H_MSG_TRUE;
}

Herror HXAlloc(Hproc_handle proc, size_t size, void** memory) {
    const Herror status = record("HXAlloc", {proc_text(proc), text(static_cast<long long>(size))});
    if (status != H_MSG_TRUE) return status;
    // HALCON owns this memory; the stand-in keeps it for the whole run.
    *memory = std::malloc(size ? size : 1);
    return *memory ? H_MSG_TRUE : 6;
}

Herror HXAllocMemCheck(Hproc_handle proc, size_t size, const char* source, int32_t line, int32_t memory_kind,
                       void** memory) {
    const Herror status = record("HXAllocMemCheck", {proc_text(proc), text(static_cast<long long>(size)),
                                                     text(source), text(line), text(memory_kind)});
    if (status != H_MSG_TRUE) return status;
    *memory = std::malloc(size ? size : 1);
    return *memory ? H_MSG_TRUE : 6;
}

Herror HPGetObjNum(Hproc_handle proc, int32_t position, Hlong* count) {
    const Herror status = record("HPGetObjNum", {proc_text(proc), text(position)});
    if (status != H_MSG_TRUE) return status;
    auto found = proc->objects.find(position);
    *count = found == proc->objects.end() ? 0 : static_cast<Hlong>(found->second.size());
    return H_MSG_TRUE;
}

Hbool HCheckInpObjNum(Hproc_handle proc, int32_t position, Hlong object_number) {
    record("HCheckInpObjNum", {proc_text(proc), text(position), text(static_cast<long long>(object_number))});
    return object_at(proc, position, object_number) != nullptr;
}

Herror HPGetObj(Hproc_handle proc, int32_t position, Hlong object_number, Hkey* key) {
    const Herror status =
        record("HPGetObj", {proc_text(proc), text(position), text(static_cast<long long>(object_number))});
    if (status != H_MSG_TRUE) return status;
    object_data* data = object_at(proc, position, object_number);
    *key = data && !data->key_missing ? reinterpret_cast<Hkey>(data) : nullptr;
    return H_MSG_TRUE;
}

Herror HPGetFDRL(Hproc_handle proc, Hkey key, Hrlregion** domain) {
    const Herror status = record("HPGetFDRL", {proc_text(proc), pointer_text(key)});
    if (status != H_MSG_TRUE) return status;
    auto* data = reinterpret_cast<object_data*>(key);
    data->region.num_runs = static_cast<Hlong>(data->runs.size());
    data->region.runs = data->runs.data();
    *domain = &data->region;
    return H_MSG_TRUE;
}

Herror HPNumOfChannels(Hproc_handle proc, int32_t position, Hlong object_number, int32_t* channel_count) {
    const Herror status =
        record("HPNumOfChannels", {proc_text(proc), text(position), text(static_cast<long long>(object_number))});
    if (status != H_MSG_TRUE) return status;
    object_data* data = object_at(proc, position, object_number);
    *channel_count = data ? static_cast<int32_t>(data->channels.size()) : 0;
    return H_MSG_TRUE;
}

Herror HPGetComp(Hproc_handle proc, Hkey key, int32_t channel, Hkey* channel_key) {
    const Herror status = record("HPGetComp", {proc_text(proc), pointer_text(key), text(channel)});
    *channel_key = nullptr;
    if (status != H_MSG_TRUE) return status;
    auto* data = reinterpret_cast<object_data*>(key);
    if (channel >= 1 && channel <= static_cast<int32_t>(data->channels.size())) {
        channel_data& item = data->channels[static_cast<size_t>(channel - 1)];
        if (!item.key_missing) *channel_key = reinterpret_cast<Hkey>(&item);
    }
    return H_MSG_TRUE;
}

Herror HPGetImage(Hproc_handle proc, Hkey channel_key, Himage* image) {
    const Herror status = record("HPGetImage", {proc_text(proc), pointer_text(channel_key)});
    if (status != H_MSG_TRUE) return status;
    *image = reinterpret_cast<channel_data*>(channel_key)->image;
    return H_MSG_TRUE;
}

}  // extern "C"
