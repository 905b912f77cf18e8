#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core_params.h"
#include "herror_capture.h"
#include "standin.h"

using namespace hextcpp;

namespace {

const std::string params_source = "..\\..\\..\\hextpack\\hextcpp\\core_params.cpp";

using standin::input_value;

class ControlParamsTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin_reset();
        proc = standin_new_proc();
    }

    void give(int position, const standin::input_tuple& values) { standin::push(proc, position, values); }

    Hproc_handle proc = nullptr;
};

struct read_case {
    const char* name;
    int position;
    std::vector<input_value> values;
    std::function<void(Hproc_handle, int)> read;
    int expected_code;
};

TEST_F(ControlParamsTest, ReadsRefuseWrongTypesBeforeWrongCounts) {
    const auto string_read = [](Hproc_handle p, int n) { get_param_string(p, n); };
    const auto int_read = [](Hproc_handle p, int n) { get_param_int(p, n); };
    const auto optional_int = [](Hproc_handle p, int n) { get_param_int_optional(p, n, 0); };
    const auto optional_string = [](Hproc_handle p, int n) { get_param_string_optional(p, n, "x"); };
    const auto tuple_read = [](Hproc_handle p, int n) { get_param_string_tuple(p, n); };
    const read_case cases[] = {
        {"string from an integer", 1, {Hlong{5}}, string_read, 1201},
        {"string from nothing", 2, {}, string_read, 1402},
        {"string from two strings", 1, {std::string("a"), std::string("b")}, string_read, 1401},
        {"type first, also with two values", 3, {Hlong{1}, std::string("b")}, string_read, 1203},
        {"integer from a real", 1, {1.0}, int_read, 1201},
        {"integer from a string", 4, {std::string("1")}, int_read, 1204},
        {"integer from nothing", 1, {}, int_read, 1401},
        {"optional integer from two", 3, {Hlong{1}, Hlong{2}}, optional_int, 1403},
        {"optional integer from a real", 3, {2.5}, optional_int, 1203},
        {"optional integer: type before count", 3, {2.5, Hlong{1}}, optional_int, 1203},
        {"optional integer: type of a later value before count", 2, {Hlong{1}, std::string("2")}, optional_int, 1202},
        {"optional string from two", 2, {std::string("a"), std::string("b")}, optional_string, 1402},
        {"optional string from an integer", 2, {Hlong{0}}, optional_string, 1202},
        {"optional string: type before count", 4, {std::string("a"), 1.0}, optional_string, 1204},
        {"tuple whose second value is an integer", 2, {std::string("a"), Hlong{1}}, tuple_read, 1202},
        {"one string is fine", 1, {std::string("a")}, string_read, 2},
        {"no values are a fine tuple", 1, {}, tuple_read, 2},
    };
    for (const read_case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        give(c.position, c.values);
        EXPECT_EQ(herror_code_of([&] { c.read(proc, c.position); }), c.expected_code);
    }
}

TEST_F(ControlParamsTest, ReadsGiveOwnedCopiesOfTheValues) {
    give(1, {std::string("caption")});
    give(2, {Hlong{-7}});
    give(3, {std::string("one"), std::string(""), std::string("three")});
    give(4, {std::string("")});
    EXPECT_EQ(get_param_string(proc, 1), "caption");
    EXPECT_EQ(get_param_int(proc, 2), -7);
    EXPECT_EQ(get_param_string_tuple(proc, 3), (string_tuple{"one", "", "three"}));
    EXPECT_EQ(get_param_int_optional(proc, 5, 0), 0) << "empty tuple gives the default";
    EXPECT_EQ(get_param_int_optional(proc, 5, 42), 42) << "whatever the default is";
    EXPECT_EQ(get_param_int_optional(proc, 5, -3), -3);
    EXPECT_EQ(get_param_int_optional(proc, 2, 42), -7) << "a value beats the default";
    EXPECT_EQ(get_param_int_optional(proc, 2, 0), -7);
    EXPECT_EQ(get_param_string_optional(proc, 5, "default"), "default");
    EXPECT_EQ(get_param_string_optional(proc, 4, "default"), "") << "an empty string is a value";
    EXPECT_TRUE(get_param_string_tuple(proc, 6).empty());
    EXPECT_EQ(get_control_ints(proc, 2), (int_tuple{-7}));
}

#if defined(_WIN64)
TEST_F(ControlParamsTest, IntegersKeepAllSixtyFourBits) {
    give(1, {Hlong{0x123456789ab}});
    EXPECT_EQ(get_param_int(proc, 1), Hlong{0x123456789ab});
}
#endif

TEST_F(ControlParamsTest, EveryReadIsReportedToTheSpyRightAfterFetching) {
    give(2, {std::string("a"), std::string("b")});
    get_param_string_tuple(proc, 2);
    const auto calls = standin::calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], (standin::call{"HPGetPPar", {"proc:1", "2"}}));
    EXPECT_EQ(calls[1], (standin::call{"IOSpyCPar", {"proc:1", "2", "s:a,s:b", "2", "1"}}));
}

TEST_F(ControlParamsTest, FailingHalconCallsPassTheirCodeOn) {
    struct failure_case {
        const char* function;
        int nth;
        std::function<void(Hproc_handle)> call;
        std::vector<std::string> not_called;
    };
    const failure_case cases[] = {
        {"HPGetPPar", 1, [](Hproc_handle p) { get_param_string(p, 1); }, {"IOSpyCPar"}},
        {"IOSpyCPar", 1, [](Hproc_handle p) { get_param_string(p, 1); }, {}},
        {"HXAlloc", 1, [](Hproc_handle p) { put_param_int(p, 1, 5); }, {"IOSpyCPar", "HPPutPPar"}},
        {"HXAlloc", 2, [](Hproc_handle p) { put_control_strings(p, 1, {"a", "b"}); }, {"IOSpyCPar", "HPPutPPar"}},
        {"IOSpyCPar", 1, [](Hproc_handle p) { put_param_string(p, 1, "a"); }, {"HPPutPPar"}},
        {"HPPutPPar", 1, [](Hproc_handle p) { put_param_string(p, 1, "a"); }, {}},
    };
    for (const failure_case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " #" + std::to_string(c.nth));
        SetUp();
        give(1, {std::string("value")});
        standin_fail_call(c.function, c.nth, 4711);
        EXPECT_EQ(herror_code_of([&] { c.call(proc); }), 4711);
        for (const std::string& function : c.not_called) EXPECT_TRUE(standin::calls_of(function).empty()) << function;
        EXPECT_EQ(standin_output_count(proc, 1), -1);
    }
}

TEST_F(ControlParamsTest, FailedStringAllocationKeepsTheEarlierOnes) {
    // Nothing is freed after a failure: HALCON cleans up its own memory.
    standin_fail_call("HXAlloc", 3, 4711);
    EXPECT_EQ(herror_code_of([&] { put_control_strings(proc, 1, {"a", "b", "c"}); }), 4711);
    EXPECT_EQ(standin::calls_of("HXAlloc").size(), 3u);
    EXPECT_TRUE(standin::calls_of("IOSpyCPar").empty());
    EXPECT_TRUE(standin::calls_of("HPPutPPar").empty());
}

TEST_F(ControlParamsTest, WritingIntegersSignExtendsAndHandsTheRecordsOver) {
    put_param_int(proc, 1, -1);
    const auto calls = standin::calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], (standin::call{"HXAlloc", {"proc:1", std::to_string(sizeof(Hcpar))}}));
    EXPECT_EQ(calls[1], (standin::call{"IOSpyCPar", {"proc:1", "1", "i:-1", "1", "0"}}));
    EXPECT_EQ(calls[2], (standin::call{"HPPutPPar", {"proc:1", "1", "i:-1", "1"}}));
    ASSERT_EQ(standin_output_count(proc, 1), 1);
    const Hcpar* records = standin_output_records(proc, 1);
    EXPECT_EQ(records[0].type, HCPAR_INT);
    EXPECT_EQ(records[0].par.l, Hlong{-1});
#if defined(_WIN64)
    EXPECT_EQ(static_cast<uint64_t>(records[0].par.l), 0xFFFFFFFFFFFFFFFFull);
#endif

    SetUp();
    put_control_ints(proc, 2, {});
    EXPECT_EQ(standin::calls_of("HXAlloc")[0].args[1], "0") << "an empty tuple still gets its array";
    EXPECT_EQ(standin_output_count(proc, 2), 0);
}

TEST_F(ControlParamsTest, WritingStringsCopiesEachIntoHalconMemory) {
    put_control_strings(proc, 1, {"", std::string("ab\0cd", 5), "xyz"});
    const auto allocations = standin::calls_of("HXAlloc");
    ASSERT_EQ(allocations.size(), 4u);
    EXPECT_EQ(allocations[0].args[1], std::to_string(3 * sizeof(Hcpar)));
    EXPECT_EQ(allocations[1].args[1], "1") << "the empty string takes one byte";
    EXPECT_EQ(allocations[2].args[1], "6");
    EXPECT_EQ(allocations[3].args[1], "4");
    ASSERT_EQ(standin_output_count(proc, 1), 3);
    const Hcpar* records = standin_output_records(proc, 1);
    EXPECT_EQ(records[0].type, HCPAR_STRING);
    EXPECT_STREQ(records[0].par.s, "");
    EXPECT_STREQ(records[1].par.s, "ab") << "HALCON's copy ends at the first zero byte";
    EXPECT_STREQ(records[2].par.s, "xyz");
    EXPECT_EQ(standin::calls_of("IOSpyCPar")[0].args, (std::vector<std::string>{"proc:1", "1", "s:,s:ab,s:xyz", "3", "0"}));
}

TEST_F(ControlParamsTest, TracedMemoryIsAllocatedWithSourceAndLine) {
    standin_set_trace_memory(1);
    put_param_string(proc, 1, "hi");
    const auto traced = standin::calls_of("HXAllocMemCheck");
    ASSERT_EQ(traced.size(), 2u);
    EXPECT_EQ(traced[0].args,
              (std::vector<std::string>{"proc:1", std::to_string(sizeof(Hcpar)), params_source, "73", "-112"}));
    EXPECT_EQ(traced[1].args, (std::vector<std::string>{"proc:1", "3", params_source, "73", "-112"}));
    EXPECT_TRUE(standin::calls_of("HXAlloc").empty());
    EXPECT_STREQ(standin_output_records(proc, 1)[0].par.s, "hi");

    // The flag is read afresh: switched off, the plain allocation is back.
    standin_set_trace_memory(0);
    put_param_int(proc, 2, 1);
    EXPECT_EQ(standin::calls_of("HXAlloc").size(), 1u);
    EXPECT_EQ(standin::calls_of("HXAllocMemCheck").size(), 2u);
}

}  // namespace
