// Unloading a library that holds live tray icons, as HALCON unloads the
// package: FreeLibrary returns promptly, the icons leave the notification
// area, and no thread is left behind; a process that ends with live icons
// ends promptly too.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "child_start.h"
#include "shell_recorder.h"
#include "tray_icon.h"
#include "tray_test_library.h"

namespace {

using use_shell_function = void (*)(notification::shell_notify_function);
using make_icons_function = int32_t (*)(int32_t);
using set_callback_function = void (*)(int32_t, notification::tray_event_callback, void*);
using convert_on_delete_function = void (*)(notification::shell_notify_function, tray_test::conversion_tally*);

enum class tray_thread_state { idle, menu_open, stuck_in_callback, ended_before_its_window };
enum class quit_post { arrives, fails };

// A callback that does not come back for far longer than unloading waits.
HANDLE never_set = CreateEventW(nullptr, TRUE, FALSE, nullptr);
void stuck_callback(void* entered, const notification::tray_event&) {
    SetEvent(static_cast<HANDLE>(entered));
    WaitForSingleObject(never_set, 60000);
}

void signal_callback(void* called, const notification::tray_event&) { SetEvent(static_cast<HANDLE>(called)); }

constexpr wchar_t library_name[] = L"tray_test_library.dll";
constexpr char child_variable[] = "TRAY_UNLOAD_TEST_CHILD";
// Only a hang detector: a prompt unload takes a small fraction of this.
constexpr auto hang_limit = std::chrono::seconds(10);

std::set<DWORD> threads_of_this_process() {
    std::set<DWORD> threads;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return threads;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) threads.insert(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return threads;
}

std::set<DWORD> new_threads(const std::set<DWORD>& before) {
    std::set<DWORD> added;
    for (DWORD thread : threads_of_this_process()) {
        if (!before.count(thread)) added.insert(thread);
    }
    return added;
}

bool window_class_registered() {
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    return GetClassInfoExW(GetModuleHandleW(nullptr), L"HiddenTrayIconWindow", &info) != FALSE;
}

BOOL CALLBACK note_menu_window(HWND window, LPARAM found) {
    wchar_t name[32] = {};
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    GetClassNameW(window, name, 32);
    if (process == GetCurrentProcessId() && std::wstring(name) == L"#32768" && IsWindowVisible(window)) {
        *reinterpret_cast<bool*>(found) = true;
    }
    return TRUE;
}

bool popup_menu_open() {
    bool found = false;
    EnumWindows(note_menu_window, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct unload_figures {
    double milliseconds;
    std::vector<tray_test::recorded_request> requests;
    HWND window;  // the hidden window the library had
};

template <typename Function>
Function library_function(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Loads the library with its shell requests going to the recorder; null,
// with a failure, when it or its export is missing.
HMODULE load_library_recording_shell() {
    HMODULE library = LoadLibraryW(library_name);
    EXPECT_NE(library, nullptr);
    if (!library) return nullptr;
    auto use_shell = library_function<use_shell_function>(library, "tray_library_use_shell");
    EXPECT_NE(use_shell, nullptr);
    if (!use_shell) {
        FreeLibrary(library);
        return nullptr;
    }
    use_shell(&tray_test::shell_recorder::record);
    return library;
}

// Loads the library, makes three icons, keeps its tray thread busy as asked,
// and unloads it again, checking what it leaves behind.
unload_figures load_make_and_unload(tray_thread_state busy, quit_post post = quit_post::arrives) {
    unload_figures figures{};
    tray_test::shell_recorder shell;
    const std::set<DWORD> before = threads_of_this_process();

    HMODULE library = load_library_recording_shell();
    if (!library) return figures;
    auto make_icons = library_function<make_icons_function>(library, "tray_library_make_icons");
    auto fail_quit_post = library_function<void (*)(DWORD)>(library, "tray_library_fail_quit_post");
    auto end_thread_at_once = library_function<void (*)()>(library, "tray_library_start_thread_that_ends_at_once");
    EXPECT_TRUE(make_icons && fail_quit_post && end_thread_at_once);
    if (!make_icons || !fail_quit_post || !end_thread_at_once) return figures;
    if (post == quit_post::fails) fail_quit_post(ERROR_NOT_ENOUGH_QUOTA);
    const bool thread_runs = busy != tray_thread_state::ended_before_its_window;
    if (!thread_runs) end_thread_at_once();
    // A fresh library starts its ids again.
    EXPECT_EQ(make_icons(3), 4);
    figures.window = tray_test::hidden_window();
    EXPECT_EQ(figures.window != nullptr, thread_runs);
    if (thread_runs) {
        const DWORD tray_thread = GetWindowThreadProcessId(figures.window, nullptr);
        EXPECT_EQ(new_threads(before), std::set<DWORD>{tray_thread});
    }
    EXPECT_TRUE(window_class_registered());
    if (busy == tray_thread_state::stuck_in_callback) {
        auto set_callback = library_function<set_callback_function>(library, "tray_library_set_callback");
        EXPECT_NE(set_callback, nullptr);
        HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (set_callback) set_callback(3, &stuck_callback, entered);
        PostMessageW(figures.window, 0x8001, 0, MAKELPARAM(NIN_SELECT, 3));
        EXPECT_EQ(WaitForSingleObject(entered, 5000), WAIT_OBJECT_0);
        CloseHandle(entered);
    }
    if (busy == tray_thread_state::menu_open) {
        PostMessageW(figures.window, 0x8001, MAKEWPARAM(200, 200), MAKELPARAM(WM_CONTEXTMENU, 3));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!popup_menu_open() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(popup_menu_open()) << "the menu never opened";
    }
    shell.take();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(FreeLibrary(library));
    const auto took = std::chrono::steady_clock::now() - start;
    figures.milliseconds = std::chrono::duration<double, std::milli>(took).count();
    EXPECT_LT(took, hang_limit);

    figures.requests = shell.take();
    EXPECT_EQ(tray_test::hidden_window(), nullptr);
    EXPECT_FALSE(window_class_registered());
    EXPECT_FALSE(popup_menu_open());
    EXPECT_TRUE(new_threads(before).empty()) << "a thread outlived the library";
    return figures;
}

// A later load in the same process makes its own window and delivers a
// click on its icon to the callback.
void expect_fresh_load_delivers_a_click() {
    tray_test::shell_recorder shell;
    HMODULE library = load_library_recording_shell();
    ASSERT_NE(library, nullptr);
    auto make_icons = library_function<make_icons_function>(library, "tray_library_make_icons");
    auto set_callback = library_function<set_callback_function>(library, "tray_library_set_callback");
    ASSERT_TRUE(make_icons && set_callback);
    EXPECT_EQ(make_icons(1), 2);
    const HWND window = tray_test::hidden_window();
    EXPECT_NE(window, nullptr);
    HANDLE called = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    set_callback(2, &signal_callback, called);
    EXPECT_TRUE(PostMessageW(window, 0x8001, 0, MAKELPARAM(NIN_SELECT, 2)));
    EXPECT_EQ(WaitForSingleObject(called, 5000), WAIT_OBJECT_0) << "the click never reached the callback";
    EXPECT_TRUE(FreeLibrary(library));
    CloseHandle(called);
    EXPECT_EQ(tray_test::hidden_window(), nullptr);
    EXPECT_FALSE(window_class_registered());
}

void expect_icons_removed(const std::vector<tray_test::recorded_request>& requests,
                          const std::vector<UINT>& ids = {2, 3, 4}) {
    std::vector<UINT> deleted;
    for (const auto& request : requests) {
        EXPECT_EQ(request.message, static_cast<DWORD>(NIM_DELETE));
        if (request.message == NIM_DELETE) deleted.push_back(request.data.uID);
    }
    EXPECT_EQ(deleted, ids);
}

TEST(TrayUnload, FreeLibraryWithLiveIconsReturnsPromptlyAndLeavesNothingBehind) {
    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        const unload_figures figures = load_make_and_unload(tray_thread_state::idle);
        expect_icons_removed(figures.requests);
        std::cout << "FreeLibrary with 3 live icons took " << figures.milliseconds << " ms\n";
    }
}

TEST(TrayUnload, FreeLibraryEndsAContextMenuThatIsOpen) {
    const unload_figures figures = load_make_and_unload(tray_thread_state::menu_open);
    expect_icons_removed(figures.requests);
    std::cout << "FreeLibrary with an open menu took " << figures.milliseconds << " ms\n";
}

TEST(TrayUnload, FreeLibraryEndsATrayThreadStuckInACallback) {
    // Bounded by the wait for the loop to be left, then ended.
    const unload_figures figures = load_make_and_unload(tray_thread_state::stuck_in_callback);
    // The record the stopped thread was using is never freed; its icon is
    // left to the shell, which drops icons whose window is gone.
    expect_icons_removed(figures.requests, {2, 4});
    std::cout << "FreeLibrary with the tray thread stuck in a callback took " << figures.milliseconds << " ms\n";
}

// The quit message cannot be posted when the tray thread's queue is full
// (or the thread is gone); the thread must still not outlive the library,
// nor its window class the window procedure.
TEST(TrayUnload, AFailedQuitPostStillLeavesNothingBehind) {
    struct failed_post_case {
        const char* name;
        tray_thread_state busy;
        std::vector<UINT> removed;
    };
    const failed_post_case cases[] = {
        {"idle", tray_thread_state::idle, {2, 3, 4}},
        {"stuck in a callback", tray_thread_state::stuck_in_callback, {2, 4}},
        // The registry's storage removes the records when the library goes.
        {"ended before its window", tray_thread_state::ended_before_its_window, {2, 3, 4}},
    };
    for (const failed_post_case& c : cases) {
        SCOPED_TRACE(c.name);
        const unload_figures figures = load_make_and_unload(c.busy, quit_post::fails);
        expect_icons_removed(figures.requests, c.removed);
        // The host goes on: a message for the old window reaches nothing
        // that would run code of the unloaded library.
        if (figures.window) {
            EXPECT_FALSE(PostMessageW(figures.window, 0x8001, 0, MAKELPARAM(NIN_SELECT, 2)));
        }
        expect_fresh_load_delivers_a_click();
        std::cout << c.name << ": FreeLibrary after a failed quit post took " << figures.milliseconds << " ms\n";
    }
}

// The unload's clean-up may still convert text (the tray thread takes right
// clicks until it is stopped); conversions then must still work.
TEST(TrayUnload, TextConvertsWhileTheUnloadRemovesTheIcons) {
    tray_test::shell_recorder shell;
    HMODULE library = load_library_recording_shell();
    ASSERT_NE(library, nullptr);
    auto make_icons = library_function<make_icons_function>(library, "tray_library_make_icons");
    auto convert_on_delete = library_function<convert_on_delete_function>(library, "tray_library_convert_on_delete");
    ASSERT_TRUE(make_icons && convert_on_delete);
    EXPECT_EQ(make_icons(3), 4);
    tray_test::conversion_tally tally;
    convert_on_delete(&tray_test::shell_recorder::record, &tally);
    shell.take();

    EXPECT_TRUE(FreeLibrary(library));
    expect_icons_removed(shell.take());
    EXPECT_EQ(tally.converted, 3);
    EXPECT_EQ(tally.refused, 0);
    EXPECT_EQ(tally.wrong, 0);
}

// Run as its own process by the next test: ends with the library and its
// icons still loaded (the tray thread is gone before the library's clean-up
// runs, so only the warning is written).
TEST(TrayUnloadChild, EndsWithLiveIcons) {
    if (!std::getenv(child_variable)) GTEST_SKIP() << "runs only as the child of ProcessEndsPromptlyWithLiveIcons";
    HMODULE library = LoadLibraryW(library_name);
    ASSERT_NE(library, nullptr);
    auto make_icons = library_function<make_icons_function>(library, "tray_library_make_icons");
    ASSERT_NE(make_icons, nullptr);
    EXPECT_EQ(make_icons(2), 3);
}

TEST(TrayUnload, ProcessEndsPromptlyWithLiveIcons) {
    const auto start = std::chrono::steady_clock::now();
    test_support::ChildStart started = test_support::startThisProgram(L"TrayUnloadChild.*", child_variable);
    ASSERT_TRUE(started.child) << "cannot start the child, error " << started.error;
    const std::optional<DWORD> exit_code = started.child->waitForExit(hang_limit);
    const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(exit_code) << "the process hung at its end";
    EXPECT_EQ(*exit_code, 0u);
    std::cout << "a process with live icons started and ended in " << took << " ms\n";
}

}  // namespace
