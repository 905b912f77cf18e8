#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "standin.h"

namespace {

#if defined(_WIN64)
const std::string source_name = "halcon-13.0\\notification\\.tmpsrc\\x64-win64\\Hnotification";
#else
const std::string source_name = "halcon-13.0\\quorvane\\.tmpsrc\\x86sse2-win32\\Hnotification";
#endif

const std::string open_text = "HXPkgOpenId( xpkg_id, (((13)<<16) + ((0)<<8) + (1)),( (0x0400<<16) | (1<<0)),9,&osid)";
const std::string system_text = "HSystem0(xpkg_id)";
constexpr int32_t package_id = 17;
constexpr int32_t halcon_offset = 350;

struct registration_call {
    int line;
    int index;
    int code;
    std::vector<std::string> values;
    std::string text;
};

const std::vector<registration_call> registration_calls = {
#include "registration_calls.inc"
};

struct operator_info {
    const char* name;
    const char* entry;
    const char* counts[4];
    const char* input_types;
    const char* output_types;
};

const operator_info operators[] = {
    {"message_box", "CMessageBox", {"0", "0", "4", "1"}, "ssss", "s"},
    {"set_tray_icon_context_menu", "CSetTrayIconContextMenu", {"0", "0", "2", "0"}, "iS", nullptr},
    {"display_balloon_image", "CDisplayBalloonImage", {"1", "0", "3", "0"}, "iss", nullptr},
    {"display_balloon", "CDisplayBalloon", {"0", "0", "4", "0"}, "isss", nullptr},
    {"clear_all_tray_icons", "CClearAllTrayIcons", {"0", "0", "0", "0"}, nullptr, nullptr},
    {"clear_tray_icon", "CClearTrayIcon", {"0", "0", "1", "0"}, "i", nullptr},
    {"create_tray_icon_image", "CCreateTrayIconImage", {"1", "0", "2", "1"}, "si", "i"},
    {"create_tray_icon", "CCreateTrayIcon", {"0", "0", "3", "1"}, "ssi", "i"},
    {"beep", "CBeep", {"0", "0", "0", "0"}, nullptr, nullptr},
};

// The package library, loaded afresh as HALCON loads it and unloaded after.
class loaded_package {
public:
    loaded_package() {
        module_ = LoadLibraryA(PACKAGE_DLL_NAME);
        if (!module_) return;
        init_ = reinterpret_cast<init_function>(reinterpret_cast<void*>(GetProcAddress(module_, "HXPkgInit")));
        offset_ = reinterpret_cast<offset_function>(
            reinterpret_cast<void*>(GetProcAddress(module_, "HnotificationGetOffset")));
    }
    ~loaded_package() {
        if (module_) FreeLibrary(module_);
    }
    loaded_package(const loaded_package&) = delete;
    loaded_package& operator=(const loaded_package&) = delete;

    bool usable() const { return module_ && init_ && offset_; }
    Herror init(int32_t id) const { return init_(id); }
    int32_t offset() const { return offset_(); }
    HMODULE module() const { return module_; }

private:
    using init_function = Herror (*)(int32_t);
    using offset_function = int32_t (*)();
    HMODULE module_ = nullptr;
    init_function init_ = nullptr;
    offset_function offset_ = nullptr;
};

class PackageLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetModuleHandleA(PACKAGE_DLL_NAME), nullptr) << "each test needs a fresh load";
        standin_reset();
        standin_set_operator_offset(halcon_offset);
        loaded.emplace();
        ASSERT_TRUE(package().usable()) << "cannot load " << PACKAGE_DLL_NAME << ", error " << GetLastError();
    }

    // The HALCON calls of the load itself, without the spy's.
    static std::vector<standin::call> load_calls() {
        return standin::calls_except({"IOGetSpyProcCallSwitch", "IOSpyProcCall"});
    }

    static std::vector<std::string> registration_args(const registration_call& row) {
        std::vector<std::string> args{std::to_string(package_id), std::to_string(row.index), std::to_string(row.code)};
        args.insert(args.end(), row.values.begin(), row.values.end());
        return args;
    }

    // Checks a recorded registration against the table; the entry function's
    // address is checked to lie in the package and to differ between operators.
    void expect_registration(const standin::call& actual, const registration_call& row,
                             std::set<std::string>& entry_addresses) {
        ASSERT_EQ(actual.function, "HXPkgSetOpInfo") << row.text;
        std::vector<std::string> expected = registration_args(row);
        if (row.code == 50) {
            ASSERT_EQ(actual.args.size(), 4u);
            EXPECT_EQ(actual.args[3].rfind("fn:0x", 0), 0u) << row.text;
            entry_addresses.insert(actual.args[3]);
            expected[3] = actual.args[3];
        }
        EXPECT_EQ(actual.args, expected) << row.text;
    }

    void TearDown() override { loaded.reset(); }

    std::optional<loaded_package> loaded;
    const loaded_package& package() const { return *loaded; }
};

TEST_F(PackageLoadTest, OffsetIsMinusOneUntilThePackageIsOpened) {
    EXPECT_EQ(package().offset(), -1);
    EXPECT_TRUE(standin::calls().empty()) << "loading alone calls nothing";
    EXPECT_EQ(package().init(package_id), 2);
    EXPECT_EQ(package().offset(), halcon_offset);
}

TEST_F(PackageLoadTest, FullLoadMakesTheTableCallsInOrder) {
    ASSERT_EQ(package().init(package_id), 2);

    const auto calls = load_calls();
    ASSERT_EQ(calls.size(), 1u + registration_calls.size());
    EXPECT_EQ(calls[0], (standin::call{"HXPkgOpenId", {"17", std::to_string(0xd0001), std::to_string(0x4000001), "9"}}));
    std::set<std::string> entries;
    for (size_t i = 0; i < registration_calls.size(); ++i) {
        expect_registration(calls[i + 1], registration_calls[i], entries);
    }
    EXPECT_EQ(entries.size(), 9u);

    // With the spy off nothing is announced, but the switch is asked before
    // every one of the 147 traced calls.
    EXPECT_TRUE(standin::calls_of("IOSpyProcCall").empty());
    EXPECT_EQ(standin::calls_of("IOGetSpyProcCallSwitch").size(), 147u);
    EXPECT_TRUE(standin::calls_of("HProcessErr").empty());
}

TEST_F(PackageLoadTest, SpyHearsOfEachTracedCallJustBeforeIt) {
    standin_set_spy(1);
    ASSERT_EQ(package().init(package_id), 2);

    std::vector<standin::call> expected{{"IOSpyProcCall", {open_text, "246", source_name}},
                                        {"IOSpyProcCall", {system_text, "249", source_name}}};
    for (const registration_call& row : registration_calls) {
        expected.push_back({"IOSpyProcCall", {row.text, std::to_string(row.line), source_name}});
    }
    const auto announcements = standin::calls_of("IOSpyProcCall");
    ASSERT_EQ(announcements.size(), 147u);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(announcements[i], expected[i]) << i;

    // Each announcement comes right after the switch was asked, and the
    // registration call it announces comes right after it.
    const auto all = standin::calls();
    size_t registration = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].function == "IOSpyProcCall") {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(all[i - 1].function, "IOGetSpyProcCallSwitch");
        }
        if (all[i].function == "HXPkgSetOpInfo") {
            ASSERT_GT(i, 0u);
            ASSERT_LT(registration, registration_calls.size());
            EXPECT_EQ(all[i - 1], (standin::call{"IOSpyProcCall", {registration_calls[registration].text,
                                                                   std::to_string(registration_calls[registration].line),
                                                                   source_name}}));
            ++registration;
        }
    }
    EXPECT_EQ(registration, registration_calls.size());
}

TEST_F(PackageLoadTest, RegistersNineOperatorsWithTheirSignatures) {
    ASSERT_EQ(package().init(package_id), 2);
    ASSERT_EQ(standin_registered_operator_count(), 9);
    const char* fixed_codes[] = {"51", "8", "25", "9", "16", "17", "18", "19"};
    const char* fixed_values[] = {"1", "1", "0", "0", "null", "0", "0", "0"};
    for (int32_t index = 0; index < 9; ++index) {
        const operator_info& op = operators[index];
        SCOPED_TRACE(op.name);
        EXPECT_STREQ(standin_registered(index, 4, 0), op.name);
        EXPECT_STREQ(standin_registered(index, 5, 0), op.entry);
        for (int32_t code = 0; code < 4; ++code) EXPECT_STREQ(standin_registered(index, code, 0), op.counts[code]);
        if (op.input_types) {
            EXPECT_STREQ(standin_registered(index, 7, 0), op.input_types);
        } else {
            EXPECT_EQ(standin_registered(index, 7, 0), nullptr);
        }
        if (op.output_types) {
            EXPECT_STREQ(standin_registered(index, 7, 1), op.output_types);
        } else {
            EXPECT_EQ(standin_registered(index, 7, 1), nullptr);
        }
        for (int i = 0; i < 8; ++i) {
            EXPECT_STREQ(standin_registered(index, std::stoi(fixed_codes[i]), 0), fixed_values[i]) << fixed_codes[i];
        }
        // The entry function lives in the package library.
        void* entry = standin_registered_entry(index);
        ASSERT_NE(entry, nullptr);
        MEMORY_BASIC_INFORMATION memory{};
        ASSERT_NE(VirtualQuery(entry, &memory, sizeof memory), 0u);
        EXPECT_EQ(memory.AllocationBase, reinterpret_cast<void*>(package().module()));
    }
}

// Each tray operator's entry reaches its own body: called without inputs it
// fails on its first control parameter (clear_all_tray_icons has none and
// succeeds), never with the internal error of an operator left unbuilt.
TEST_F(PackageLoadTest, TrayOperatorEntriesRunTheirBodies) {
    ASSERT_EQ(package().init(package_id), 2);
    struct entry_case {
        int32_t index;
        Herror status;
    };
    const entry_case cases[] = {{1, 1401}, {2, 1401}, {3, 1401}, {4, 2}, {5, 1401}, {6, 1401}, {7, 1401}};
    int procs_made = 0;  // the stand-in numbers handles from 1
    for (const entry_case& c : cases) {
        SCOPED_TRACE(operators[c.index].name);
        auto entry = reinterpret_cast<Herror (*)(Hproc_handle)>(standin_registered_entry(c.index));
        ASSERT_NE(entry, nullptr);
        standin_new_proc();  // another handle, so the one passed on must be the call's own
        Hproc_handle proc = standin_new_proc();
        procs_made += 2;
        const size_t before = standin::calls().size();
        EXPECT_EQ(entry(proc), c.status);
        const auto calls = standin::calls();
        size_t parameter_reads = 0;
        for (size_t i = before; i < calls.size(); ++i) {
            if (calls[i].function != "HPGetPPar") continue;
            ++parameter_reads;
            EXPECT_EQ(calls[i].args[0], "proc:" + std::to_string(procs_made));
        }
        EXPECT_EQ(parameter_reads > 0, c.status != 2);
        EXPECT_TRUE(standin::calls_of("HSetExtendedErrorInfo").empty());
    }
}

TEST_F(PackageLoadTest, FailedOpenStopsTheLoad) {
    struct open_case {
        Herror answer;  // what HProcessErr answers
        Herror expected;
    } cases[] = {{2, 5}, {9999, 9999}};
    for (const open_case& c : cases) {
        SCOPED_TRACE(c.answer);
        standin_reset();
        standin_set_operator_offset(halcon_offset);
        standin_fail_call("HXPkgOpenId", 1, 5);
        standin_set_process_err_answer(c.answer);
        EXPECT_EQ(package().init(package_id), c.expected);
        EXPECT_EQ(package().offset(), -1);
        const auto errors = standin::calls_of("HProcessErr");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0], (standin::call{"HProcessErr", {open_text, "5", "246", source_name}}));
        EXPECT_TRUE(standin::calls_of("HXPkgSetOpInfo").empty());
    }
}

TEST_F(PackageLoadTest, FailedRegistrationIsReportedTwiceAndKeepsEarlierOperators) {
    size_t first_of_create_tray_icon = 0;
    while (registration_calls[first_of_create_tray_icon].index != 7) ++first_of_create_tray_icon;
    const registration_call& failing = registration_calls[first_of_create_tray_icon];
    ASSERT_EQ(failing.line, 171);

    struct failure_case {
        Herror answer;
        Herror expected;
    } cases[] = {{2, 7777}, {9999, 9999}};
    for (const failure_case& c : cases) {
        SCOPED_TRACE(c.answer);
        standin_reset();
        standin_set_operator_offset(halcon_offset);
        standin_fail_call("HXPkgSetOpInfo", static_cast<int32_t>(first_of_create_tray_icon) + 1, 7777);
        standin_set_process_err_answer(c.answer);
        EXPECT_EQ(package().init(package_id), c.expected);
        EXPECT_EQ(package().offset(), halcon_offset);

        // Nothing after the failing call, and the first seven stay registered.
        EXPECT_EQ(standin::calls_of("HXPkgSetOpInfo").size(), first_of_create_tray_icon + 1);
        EXPECT_EQ(standin_registered_operator_count(), 7);
        EXPECT_EQ(standin_registered(7, 4, 0), nullptr);

        const Herror system_status = c.answer == 2 ? 7777 : c.answer;
        const auto errors = standin::calls_of("HProcessErr");
        ASSERT_EQ(errors.size(), 2u);
        EXPECT_EQ(errors[0], (standin::call{"HProcessErr", {failing.text, "7777", "171", source_name}}));
        EXPECT_EQ(errors[1],
                  (standin::call{"HProcessErr", {system_text, std::to_string(system_status), "249", source_name}}));
    }
}

// The direction of a code 7 call; 0 for the others, as the stand-in keys them.
int32_t direction_of(const registration_call& row) { return row.code == 7 ? std::stoi(row.values[0]) : 0; }

TEST_F(PackageLoadTest, EachRegistrationCallCanFailAndStopsTheLoadRightThere) {
    for (size_t failing = 0; failing < registration_calls.size(); ++failing) {
        const registration_call& row = registration_calls[failing];
        SCOPED_TRACE(row.text);
        const Herror code = 7000 + static_cast<Herror>(failing);
        const int32_t offset = halcon_offset + 1 + static_cast<int32_t>(failing);
        standin_reset();
        standin_set_operator_offset(offset);
        standin_fail_call("HXPkgSetOpInfo", static_cast<int32_t>(failing) + 1, code);

        EXPECT_EQ(package().init(package_id), code);
        EXPECT_EQ(package().offset(), offset) << "the offset is stored before the registration";
        EXPECT_EQ(standin::calls_of("HXPkgSetOpInfo").size(), failing + 1) << "no call after the failing one";
        EXPECT_EQ(standin::calls_of("HProcessErr"),
                  (std::vector<standin::call>{
                      {"HProcessErr", {row.text, std::to_string(code), std::to_string(row.line), source_name}},
                      {"HProcessErr", {system_text, std::to_string(code), "249", source_name}}}));
        // Whatever was registered before stays registered; nothing after.
        size_t wrong_registrations = 0;
        for (size_t i = 0; i < registration_calls.size(); ++i) {
            const registration_call& other = registration_calls[i];
            const bool registered = standin_registered(other.index, other.code, direction_of(other)) != nullptr;
            if (registered != (i < failing)) ++wrong_registrations;
        }
        EXPECT_EQ(wrong_registrations, 0u);
    }
}

TEST_F(PackageLoadTest, InitReturnsTheSecondReportsAnswerUnlessItIsSuccess) {
    const size_t failing = 100;
    const registration_call& row = registration_calls[failing];
    struct answer_case {
        Herror first_answer;   // for the failing registration call
        Herror second_answer;  // for HSystem0
        Herror system_status;  // what HSystem0 returns, reported the second time
        Herror expected;
    } cases[] = {
        {2, 2, 7777, 7777},
        {2, 9999, 7777, 9999},
        {8888, 2, 8888, 8888},
        {8888, 9999, 8888, 9999},
    };
    for (const answer_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first_answer) + " then " + std::to_string(c.second_answer));
        standin_reset();
        standin_fail_call("HXPkgSetOpInfo", static_cast<int32_t>(failing) + 1, 7777);
        standin_set_process_err_answer(2);
        if (c.first_answer != 2) standin_fail_call("HProcessErr", 1, c.first_answer);
        if (c.second_answer != 2) standin_fail_call("HProcessErr", 2, c.second_answer);

        EXPECT_EQ(package().init(package_id), c.expected);
        EXPECT_EQ(standin::calls_of("HProcessErr"),
                  (std::vector<standin::call>{
                      {"HProcessErr", {row.text, "7777", std::to_string(row.line), source_name}},
                      {"HProcessErr", {system_text, std::to_string(c.system_status), "249", source_name}}}));
    }
}

TEST_F(PackageLoadTest, FailedOpenKeepsTheOffsetItHadEvenWhenHalconWroteOne) {
    struct open_case {
        const char* name;
        bool loaded_before;
        Hbool open_writes_on_failure;
        int32_t expected_offset;
    } cases[] = {
        {"first load, nothing written", false, 0, -1},
        {"first load, an offset written", false, 1, -1},
        {"second load, nothing written", true, 0, halcon_offset},
        {"second load, an offset written", true, 1, halcon_offset},
    };
    for (const open_case& c : cases) {
        SCOPED_TRACE(c.name);
        loaded.reset();
        loaded.emplace();
        ASSERT_TRUE(package().usable());
        standin_reset();
        standin_set_operator_offset(halcon_offset);
        if (c.loaded_before) {
            ASSERT_EQ(package().init(package_id), 2);
        }

        standin_reset();
        standin_set_operator_offset(halcon_offset + 500);
        standin_set_failed_open_writes_offset(c.open_writes_on_failure);
        standin_fail_call("HXPkgOpenId", 1, 5);
        EXPECT_EQ(package().init(package_id), 5);
        EXPECT_EQ(package().offset(), c.expected_offset);
        EXPECT_TRUE(standin::calls_of("HXPkgSetOpInfo").empty());
    }
}

TEST_F(PackageLoadTest, SecondInitRepeatsTheLoadAndTakesTheNewOffset) {
    ASSERT_EQ(package().init(package_id), 2);
    standin_reset();
    standin_set_operator_offset(halcon_offset + 1);
    EXPECT_EQ(package().init(package_id), 2);
    EXPECT_EQ(package().offset(), halcon_offset + 1);
    EXPECT_EQ(load_calls().size(), 146u);
}

}  // namespace
