// A process that ends while other threads convert text with the library's
// converter ends promptly: the threads are ended first, then the library's
// exit-time clean-up runs, and nothing they left half done may hold it up.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "unique_handle.h"

namespace {

using convert_on_threads_function = int32_t (*)(int32_t);

constexpr wchar_t library_name[] = L"tray_test_library.dll";
constexpr char child_variable[] = "TRAY_EXIT_TEST_CHILD";
// Only a hang detector: the child ends in a small fraction of this.
constexpr auto hang_limit = std::chrono::seconds(10);
// One thread: alone it is in the middle of a conversion nearly all the time,
// where threads taking turns would spend much of it handing over.
constexpr int32_t converting_threads = 1;

// Run as its own process by the next test: leaves the converting thread
// running and ends.
TEST(TrayExitChild, EndsWhileAThreadConverts) {
    if (!std::getenv(child_variable)) GTEST_SKIP() << "runs only as the child of ProcessEndsWhileAThreadConverts";
    HMODULE library = LoadLibraryW(library_name);
    ASSERT_NE(library, nullptr);
    auto convert_on_threads = reinterpret_cast<convert_on_threads_function>(
        reinterpret_cast<void*>(GetProcAddress(library, "tray_library_convert_on_threads")));
    ASSERT_NE(convert_on_threads, nullptr);
    EXPECT_EQ(convert_on_threads(converting_threads), converting_threads);
    // Lets it convert for a while before the process ends it.
    Sleep(50);
}

struct child_outcome {
    bool started = false;
    bool ended = false;
    DWORD exit_code = 0;
};

// Runs this program again as a child running the tests `filter` names, with
// child_variable set; a child that outlives the hang limit is ended.
child_outcome run_child(const std::wstring& filter) {
    child_outcome outcome;
    wchar_t program[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, program, MAX_PATH) == 0) return outcome;
    std::wstring command_line = L"\"" + std::wstring(program) + L"\" --gtest_filter=" + filter;
    SetEnvironmentVariableA(child_variable, "1");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    const BOOL started =
        CreateProcessW(program, &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableA(child_variable, nullptr);
    if (!started) return outcome;
    outcome.started = true;
    const notification::unique_kernel_handle process(child.hProcess);
    const notification::unique_kernel_handle thread(child.hThread);
    const DWORD limit = static_cast<DWORD>(std::chrono::milliseconds(hang_limit).count());
    outcome.ended = WaitForSingleObject(process.get(), limit) == WAIT_OBJECT_0;
    if (!outcome.ended) {
        TerminateProcess(process.get(), 99);
        WaitForSingleObject(process.get(), limit);
    }
    GetExitCodeProcess(process.get(), &outcome.exit_code);
    return outcome;
}

TEST(TrayExit, ProcessEndsWhileAThreadConverts) {
    // Each run ends the thread wherever it is; a few runs make it all but
    // certain that some conversion is cut off in the middle.
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const child_outcome outcome = run_child(L"TrayExitChild.*");
        ASSERT_TRUE(outcome.started);
        ASSERT_TRUE(outcome.ended) << "the process hung at its end";
        EXPECT_EQ(outcome.exit_code, 0u);
    }
}

}  // namespace
