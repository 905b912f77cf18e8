// Stand-in for HALCON's C interface library: tuples, error texts and message
// queues, recording each call in the log kept by the stand-in HALCON library.
#define HALCONC_STANDIN_BUILD
#include "standinc_control.h"

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "standin_control.h"

using tuple_value = std::variant<Hlong, double, std::string>;

struct Htuple_s {
    int id;
    std::vector<tuple_value> values;
};

namespace {

struct message_data {
    std::vector<std::pair<std::string, std::vector<tuple_value>>> entries;
};

struct queued_message {
    message_data content;
    std::string rendered;
};

struct standinc_state {
    std::recursive_mutex mutex;
    int next_tuple_id = 1;
    int live_tuples = 0;
    Hlong next_message = 1;
    std::map<Hlong, message_data> messages;
    std::map<Hlong, std::deque<queued_message>> queues;
    std::deque<std::string> texts;  // keeps returned texts alive
};

std::atomic<int32_t> enqueued_total{0};

standinc_state& state() {
    static standinc_state instance;
    return instance;
}

using lock = std::lock_guard<std::recursive_mutex>;

std::string tuple_name(Htuple tuple) { return tuple ? "tuple:" + std::to_string(tuple->id) : "null"; }

void log(const char* function, const std::vector<std::string>& args) {
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    standin_record(function, static_cast<int32_t>(argv.size()), argv.data());
}

Htuple make_tuple(std::vector<tuple_value> values) {
    lock guard(state().mutex);
    ++state().live_tuples;
    return new Htuple_s{state().next_tuple_id++, std::move(values)};
}

std::string value_text(const tuple_value& value) {
    if (auto integer = std::get_if<Hlong>(&value)) return std::to_string(static_cast<long long>(*integer));
    if (auto real = std::get_if<double>(&value)) return std::to_string(*real);
    return std::get<std::string>(value);
}

std::string tuple_text(Htuple tuple) {
    std::string result;
    for (size_t i = 0; tuple && i < tuple->values.size(); ++i) {
        if (i) result += ",";
        result += value_text(tuple->values[i]);
    }
    return result;
}

std::string values_text(const std::vector<tuple_value>& values) {
    std::string result;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) result += ",";
        result += value_text(values[i]);
    }
    return result;
}

Hlong first_integer(Htuple tuple) {
    if (!tuple || tuple->values.empty()) return 0;
    auto integer = std::get_if<Hlong>(&tuple->values[0]);
    return integer ? *integer : 0;
}

}  // namespace

extern "C" {

const char* standin_error_text(Herror code) {
    lock guard(state().mutex);
    state().texts.push_back("stand-in error text of code " + std::to_string(code));
    return state().texts.back().c_str();
}

}  // extern "C"

namespace {

// Callers hold the lock.
const queued_message* queued_at(Hlong queue, int32_t index) {
    auto found = state().queues.find(queue);
    if (found == state().queues.end() || index < 0 || index >= static_cast<int32_t>(found->second.size()))
        return nullptr;
    return &found->second[static_cast<size_t>(index)];
}

const std::pair<std::string, std::vector<tuple_value>>* entry_at(Hlong queue, int32_t index, int32_t key) {
    const queued_message* message = queued_at(queue, index);
    if (!message || key < 0 || key >= static_cast<int32_t>(message->content.entries.size())) return nullptr;
    return &message->content.entries[static_cast<size_t>(key)];
}

const tuple_value* value_at(Hlong queue, int32_t index, int32_t key, int32_t value) {
    const auto* entry = entry_at(queue, index, key);
    if (!entry || value < 0 || value >= static_cast<int32_t>(entry->second.size())) return nullptr;
    return &entry->second[static_cast<size_t>(value)];
}

}  // namespace

extern "C" {

int32_t standin_queue_length(Hlong queue) {
    lock guard(state().mutex);
    auto found = state().queues.find(queue);
    return found == state().queues.end() ? 0 : static_cast<int32_t>(found->second.size());
}

const char* standin_queue_message(Hlong queue, int32_t index) {
    lock guard(state().mutex);
    const queued_message* message = queued_at(queue, index);
    return message ? message->rendered.c_str() : nullptr;
}

int32_t standin_message_key_count(Hlong queue, int32_t message) {
    lock guard(state().mutex);
    const queued_message* found = queued_at(queue, message);
    return found ? static_cast<int32_t>(found->content.entries.size()) : -1;
}

const char* standin_message_key(Hlong queue, int32_t message, int32_t key) {
    lock guard(state().mutex);
    const auto* entry = entry_at(queue, message, key);
    return entry ? entry->first.c_str() : nullptr;
}

int32_t standin_message_value_count(Hlong queue, int32_t message, int32_t key) {
    lock guard(state().mutex);
    const auto* entry = entry_at(queue, message, key);
    return entry ? static_cast<int32_t>(entry->second.size()) : -1;
}

int32_t standin_message_value_type(Hlong queue, int32_t message, int32_t key, int32_t value) {
    lock guard(state().mutex);
    const tuple_value* found = value_at(queue, message, key, value);
    if (!found) return 0;
    if (std::holds_alternative<Hlong>(*found)) return HCPAR_INT;
    if (std::holds_alternative<double>(*found)) return HCPAR_REAL;
    return HCPAR_STRING;
}

Hlong standin_message_int(Hlong queue, int32_t message, int32_t key, int32_t value) {
    lock guard(state().mutex);
    const tuple_value* found = value_at(queue, message, key, value);
    const Hlong* integer = found ? std::get_if<Hlong>(found) : nullptr;
    return integer ? *integer : 0;
}

int32_t standin_enqueued_count(void) { return enqueued_total.load(); }

int32_t standin_live_messages(void) {
    lock guard(state().mutex);
    return static_cast<int32_t>(state().messages.size());
}

void standin_clear_queues(void) {
    lock guard(state().mutex);
    state().queues.clear();
}

int32_t standin_live_tuples(void) {
    lock guard(state().mutex);
    return state().live_tuples;
}

void Mcreate_tuple(Htuple* tuple, Hlong length, const char* source, int32_t line) {
    *tuple = make_tuple(std::vector<tuple_value>(static_cast<size_t>(length < 0 ? 0 : length), Hlong{0}));
    log("Mcreate_tuple", {tuple_name(*tuple), std::to_string(static_cast<long long>(length)), source ? source : "null",
                          std::to_string(line)});
}

void Mcreate_tuple_i(Htuple* tuple, Hlong value, const char* source, int32_t line) {
    *tuple = make_tuple({value});
    log("Mcreate_tuple_i", {tuple_name(*tuple), std::to_string(static_cast<long long>(value)),
                            source ? source : "null", std::to_string(line)});
}

void Mcreate_tuple_s(Htuple* tuple, const char* value, const char* source, int32_t line) {
    *tuple = make_tuple({std::string(value ? value : "")});
    log("Mcreate_tuple_s", {tuple_name(*tuple), value ? value : "null", source ? source : "null", std::to_string(line)});
}

char* Mget_s(Htuple tuple, Hlong index, const char* source, int32_t line) {
    log("Mget_s", {tuple_name(tuple), std::to_string(static_cast<long long>(index)), source ? source : "null",
                   std::to_string(line)});
    if (!tuple || index < 0 || index >= static_cast<Hlong>(tuple->values.size())) return nullptr;
    auto text = std::get_if<std::string>(&tuple->values[static_cast<size_t>(index)]);
    return text ? &(*text)[0] : nullptr;
}

void Mdestroy_tuple(Htuple tuple, const char* source, int32_t line) {
    log("Mdestroy_tuple", {tuple_name(tuple), source ? source : "null", std::to_string(line)});
    if (!tuple) return;
    delete tuple;
    lock guard(state().mutex);
    --state().live_tuples;
}

Herror T_get_error_text(Htuple error_code, Htuple* error_text) {
    log("T_get_error_text", {tuple_name(error_code), tuple_text(error_code)});
    const Herror status = standin_planned_status("T_get_error_text");
    const std::string text = standin_error_text(static_cast<Herror>(first_integer(error_code)));
    *error_text = make_tuple({text});
    return status;
}

Herror T_create_message(Htuple* message) {
    lock guard(state().mutex);
    const Herror status = standin_planned_status("T_create_message");
    if (status != H_MSG_TRUE) {
        // No handle: the caller still owns a tuple to destroy.
        *message = make_tuple({});
        log("T_create_message", {tuple_name(*message), "none"});
        return status;
    }
    const Hlong handle = state().next_message++;
    state().messages[handle];
    *message = make_tuple({handle});
    log("T_create_message", {tuple_name(*message), std::to_string(static_cast<long long>(handle))});
    return status;
}

Herror T_set_message_tuple(Htuple message, Htuple key, Htuple value) {
    log("T_set_message_tuple", {tuple_name(message), tuple_text(key), tuple_text(value)});
    const Herror status = standin_planned_status("T_set_message_tuple");
    if (status != H_MSG_TRUE) return status;
    lock guard(state().mutex);
    auto found = state().messages.find(first_integer(message));
    if (found == state().messages.end()) return 9400;
    found->second.entries.emplace_back(tuple_text(key), value ? value->values : std::vector<tuple_value>{});
    return H_MSG_TRUE;
}

Herror T_enqueue_message(Htuple queue, Htuple message, Htuple param_name, Htuple param_value) {
    log("T_enqueue_message", {tuple_text(queue), tuple_name(message), tuple_text(param_name), tuple_text(param_value)});
    const Herror status = standin_planned_status("T_enqueue_message");
    if (status != H_MSG_TRUE) return status;
    lock guard(state().mutex);
    auto found = state().messages.find(first_integer(message));
    if (found == state().messages.end()) return 9400;
    // The queue keeps its own copy of the content.
    queued_message queued{found->second, {}};
    for (const auto& entry : queued.content.entries) {
        if (!queued.rendered.empty()) queued.rendered += ";";
        queued.rendered += entry.first + "=" + values_text(entry.second);
    }
    state().queues[first_integer(queue)].push_back(std::move(queued));
    enqueued_total.fetch_add(1);
    return H_MSG_TRUE;
}

Herror T_clear_message(Htuple message) {
    log("T_clear_message", {tuple_name(message)});
    lock guard(state().mutex);
    const Herror status = standin_planned_status("T_clear_message");
    if (status != H_MSG_TRUE) return status;
    auto found = state().messages.find(first_integer(message));
    if (found == state().messages.end()) return 9400;
    state().messages.erase(found);
    return status;
}

}  // extern "C"
