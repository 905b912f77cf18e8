// A process that ends while other threads convert text with the library's
// converter ends promptly: the threads are ended first, then the library's
// exit-time clean-up runs, and nothing they left half done may hold it up.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "child_start.h"

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

TEST(TrayExit, ProcessEndsWhileAThreadConverts) {
    // Each run ends the thread wherever it is; a few runs make it all but
    // certain that some conversion is cut off in the middle.
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const test_support::ChildStart started = test_support::startThisProgram(L"TrayExitChild.*", child_variable);
        ASSERT_TRUE(started.child) << "cannot start the child, error " << started.error;
        const std::optional<DWORD> exit_code = started.child->waitForExit(hang_limit);
        ASSERT_TRUE(exit_code) << "the process hung at its end";
        EXPECT_EQ(*exit_code, 0u);
    }
}

}  // namespace
