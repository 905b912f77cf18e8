#include <gtest/gtest.h>

#include <new>
#include <set>
#include <stdexcept>

#include "core_function_wrapper.h"
#include "herrorexception.h"
#include "standin.h"

using hextcpp::core_function_wrapper;
using hextcpp::herror_exception;
using hextcpp::operator_body;

namespace {

const std::string error_source = "..\\..\\..\\hextpack\\hextcpp\\herrorexception.cpp";

class WrapperTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin_reset();
        proc = standin_new_proc();
    }
    Hproc_handle proc = nullptr;
};

// A body that counts its live copies, so each path can show that every copy
// the wrapper took is destroyed exactly once.
struct counted_body {
    static std::multiset<const counted_body*>& live() {
        static std::multiset<const counted_body*> instances;
        return instances;
    }
    static int& destroyed_twice() {
        static int count = 0;
        return count;
    }
    enum class outcome { returns, throws_herror, throws_runtime };

    explicit counted_body(outcome what) : what(what) { live().insert(this); }
    counted_body(const counted_body& other) : what(other.what) { live().insert(this); }
    counted_body(counted_body&& other) noexcept : what(other.what) { live().insert(this); }
    ~counted_body() {
        auto found = live().find(this);
        if (found == live().end()) {
            ++destroyed_twice();
        } else {
            live().erase(found);
        }
    }
    void operator()(Hproc_handle) const {
        if (what == outcome::throws_herror) throw herror_exception(12001, "no tray icon");
        if (what == outcome::throws_runtime) throw std::runtime_error("boom");
    }
    outcome what;
};

TEST_F(WrapperTest, NormalReturnGivesSuccessWithoutAnyHalconCall) {
    bool ran = false;
    Hproc_handle seen = nullptr;
    const int status = core_function_wrapper(proc, [&](Hproc_handle p) {
        ran = true;
        seen = p;
    });
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(ran);
    EXPECT_EQ(seen, proc);
    EXPECT_TRUE(standin::calls().empty());
}

TEST_F(WrapperTest, HalconNumberedErrorPassesThroughWithoutExtendedText) {
    std::string text;
    const int status = core_function_wrapper(proc, [&](Hproc_handle) {
        try {
            throw herror_exception(1401);
        } catch (const herror_exception& error) {
            text = error.what();
            EXPECT_FALSE(error.has_own_message);
            throw;
        }
    });
    EXPECT_EQ(status, 1401);
    EXPECT_EQ(text, standin_error_text(1401));
    EXPECT_TRUE(standin::calls_of("HSetExtendedErrorInfo").empty());
}

TEST_F(WrapperTest, EmptyOwnMessageIsStillHandedToHalcon) {
    const int status = core_function_wrapper(proc, [](Hproc_handle) { throw herror_exception(12003, ""); });
    EXPECT_EQ(status, 12003);
    const auto extended = standin::calls_of("HSetExtendedErrorInfo");
    ASSERT_EQ(extended.size(), 1u);
    EXPECT_EQ(extended[0].args[1], "12003");
    EXPECT_EQ(extended[0].args[2], "");
}

TEST_F(WrapperTest, OwnMessageIsHandedToHalconWithItsCode) {
    const int status = core_function_wrapper(
        proc, [](Hproc_handle) { throw herror_exception(12002, "The stock icon name is unknown."); });
    EXPECT_EQ(status, 12002);
    const auto extended = standin::calls_of("HSetExtendedErrorInfo");
    ASSERT_EQ(extended.size(), 1u);
    EXPECT_EQ(extended[0].args[1], "12002");
    EXPECT_EQ(extended[0].args[2], "The stock icon name is unknown.");
    // The message is the exception's own: HALCON's text is never looked up.
    EXPECT_TRUE(standin::calls_of("T_get_error_text").empty());
}

TEST_F(WrapperTest, OtherExceptionsGiveTheInternalErrorText) {
    struct not_a_std_exception {};
    const operator_body bodies[] = {
        [](Hproc_handle) { throw std::runtime_error("bad conversion"); },
        [](Hproc_handle) { throw std::bad_alloc(); },
        [](Hproc_handle) { throw not_a_std_exception(); },
        operator_body(),  // holds no function
    };
    for (const operator_body& body : bodies) {
        standin_reset();  // forgets every handle, so take a new one
        proc = standin_new_proc();
        EXPECT_EQ(core_function_wrapper(proc, body), 3);
        const auto extended = standin::calls_of("HSetExtendedErrorInfo");
        ASSERT_EQ(extended.size(), 1u);
        EXPECT_EQ(extended[0].args[1], "3");
        EXPECT_EQ(extended[0].args[2], hextcpp::internal_error_text);
    }
    const std::string text = hextcpp::internal_error_text;
    EXPECT_NE(text.find("core_function_wrapper"), std::string::npos);
    EXPECT_NE(text.find("internal implementation error"), std::string::npos);
    EXPECT_NE(text.find("support@"), std::string::npos);
}

TEST_F(WrapperTest, ExtendedErrorTextGoesToTheCallsOwnHandle) {
    Hproc_handle other_call = standin_new_proc();
    const operator_body bodies[] = {
        [](Hproc_handle) { throw herror_exception(12001, "own message"); },
        [](Hproc_handle) { throw std::runtime_error("internal"); },
    };
    for (const operator_body& body : bodies) {
        const size_t before = standin::calls_of("HSetExtendedErrorInfo").size();
        core_function_wrapper(other_call, body);
        const auto extended = standin::calls_of("HSetExtendedErrorInfo");
        ASSERT_EQ(extended.size(), before + 1);
        EXPECT_EQ(extended.back().args[0], "proc:2");
    }
}

TEST_F(WrapperTest, BodyIsDestroyedExactlyOnceOnEveryPath) {
    const counted_body::outcome outcomes[] = {counted_body::outcome::returns, counted_body::outcome::throws_herror,
                                              counted_body::outcome::throws_runtime};
    const int expected[] = {2, 12001, 3};
    for (int i = 0; i < 3; ++i) {
        {
            counted_body original(outcomes[i]);
            EXPECT_EQ(core_function_wrapper(proc, operator_body(original)), expected[i]);
            // Only the test's own instance is left once the wrapper is done.
            EXPECT_EQ(counted_body::live().size(), 1u);
        }
        EXPECT_TRUE(counted_body::live().empty());
        EXPECT_EQ(counted_body::destroyed_twice(), 0);
    }
}

TEST_F(WrapperTest, ExceptionWithoutMessageCarriesHalconsText) {
    const herror_exception error(1401);
    EXPECT_EQ(error.code, 1401);
    EXPECT_FALSE(error.has_own_message);
    EXPECT_STREQ(error.what(), standin_error_text(1401));

    // The lookup: an integer tuple with the code, the text read at index 0,
    // then both tuples destroyed, input first, each with this source's lines.
    const auto tuple_calls = standin::calls();
    ASSERT_EQ(tuple_calls.size(), 5u);
    EXPECT_EQ(tuple_calls[0].function, "Mcreate_tuple_i");
    const std::string code_tuple = tuple_calls[0].args[0];
    EXPECT_EQ(tuple_calls[0].args, (std::vector<std::string>{code_tuple, "1401", error_source, "32"}));
    EXPECT_EQ(tuple_calls[1].function, "T_get_error_text");
    EXPECT_EQ(tuple_calls[1].args[0], code_tuple);
    EXPECT_EQ(tuple_calls[2].function, "Mget_s");
    const std::string text_tuple = tuple_calls[2].args[0];
    EXPECT_NE(text_tuple, code_tuple);
    EXPECT_EQ(tuple_calls[2].args, (std::vector<std::string>{text_tuple, "0", error_source, "35"}));
    EXPECT_EQ(tuple_calls[3], (standin::call{"Mdestroy_tuple", {code_tuple, error_source, "36"}}));
    EXPECT_EQ(tuple_calls[4], (standin::call{"Mdestroy_tuple", {text_tuple, error_source, "37"}}));
    EXPECT_EQ(standin_live_tuples(), 0);
}

TEST_F(WrapperTest, ExceptionWithMessageKeepsItAndCopies) {
    const herror_exception with_text(12004, "text");
    const herror_exception with_empty(12003, "");
    EXPECT_STREQ(with_text.what(), "text");
    EXPECT_TRUE(with_text.has_own_message);
    EXPECT_STREQ(with_empty.what(), "");
    EXPECT_TRUE(with_empty.has_own_message);
    EXPECT_TRUE(standin::calls().empty());

    const herror_exception copy(with_text);
    EXPECT_EQ(copy.code, 12004);
    EXPECT_TRUE(copy.has_own_message);
    EXPECT_STREQ(copy.what(), "text");
}

TEST_F(WrapperTest, ErrorTextLookupFailureStillGivesAText) {
    // T_get_error_text's status is not looked at; its output tuple is used.
    standin_fail_call("T_get_error_text", 1, 5);
    EXPECT_EQ(hextcpp::halcon_error_text(1201), standin_error_text(1201));
}

}  // namespace
