// What the tray layer writes to the debugger output and to standard output
// when a shell request or its set-up fails, byte for byte. Each case loads a
// fresh tray_test_library.dll, so each has a set-up of its own.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "debug_output_capture.h"
#include "shell_recorder.h"
#include "tray_icon.h"

namespace {

constexpr wchar_t library_name[] = L"tray_test_library.dll";
// Stands for the decimal id of the tray thread in an expected text.
const std::string tray_thread_id = "{tray thread id}";

// The library loaded for one case, with the exports the cases use.
class tray_library {
public:
    tray_library() : module_(LoadLibraryW(library_name)) {
        resolve(use_shell, "tray_library_use_shell");
        resolve(new_icon_call, "tray_library_new_icon");
        resolve(set_stock_icon, "tray_library_set_stock_icon");
        resolve(set_tooltip, "tray_library_set_tooltip");
        resolve(show_balloon, "tray_library_show_balloon");
        resolve(fail_event, "tray_library_fail_event");
        resolve(fail_thread_start, "tray_library_fail_thread_start");
        resolve(start_thread_that_ends_at_once, "tray_library_start_thread_that_ends_at_once");
    }
    ~tray_library() { unload(); }
    tray_library(const tray_library&) = delete;
    tray_library& operator=(const tray_library&) = delete;

    bool complete() const { return complete_; }
    void unload() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }
    int32_t new_icon() { return last_icon = new_icon_call(); }

    void (*use_shell)(notification::shell_notify_function) = nullptr;
    int32_t (*new_icon_call)() = nullptr;
    void (*set_stock_icon)(int32_t id, int32_t stock_id) = nullptr;
    void (*set_tooltip)(int32_t id, const char* text) = nullptr;
    void (*show_balloon)(int32_t id, const char* title, const char* text) = nullptr;
    void (*fail_event)(int which, DWORD error) = nullptr;
    void (*fail_thread_start)(DWORD error) = nullptr;
    void (*start_thread_that_ends_at_once)() = nullptr;
    int32_t last_icon = 0;

private:
    template <typename Function>
    void resolve(Function& function, const char* name) {
        if (module_) function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
        complete_ = complete_ && function != nullptr;
    }

    HMODULE module_;
    bool complete_ = true;
};

// Standard output of the C runtime the library shares, caught in a file
// (binary, so each byte stays as printed).
class standard_output_capture {
public:
    standard_output_capture() {
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        GetTempFileNameA(folder, "out", 0, path_);
        std::fflush(stdout);
        file_ = _open(path_, _O_RDWR | _O_TRUNC | _O_BINARY);
        saved_ = _dup(1);
        if (file_ != -1 && saved_ != -1) _dup2(file_, 1);
    }
    ~standard_output_capture() {
        finish();
        if (file_ != -1) _close(file_);
        DeleteFileA(path_);
    }
    standard_output_capture(const standard_output_capture&) = delete;
    standard_output_capture& operator=(const standard_output_capture&) = delete;

    bool ready() const { return file_ != -1 && saved_ != -1; }
    // Ends the capture and gives what was printed.
    std::string finish() {
        if (saved_ == -1) return {};
        std::fflush(stdout);
        _dup2(saved_, 1);
        _close(saved_);
        saved_ = -1;
        std::string printed;
        _lseek(file_, 0, SEEK_SET);
        char buffer[256];
        for (int got; (got = _read(file_, buffer, sizeof buffer)) > 0;) printed.append(buffer, got);
        return printed;
    }

private:
    char path_[MAX_PATH] = {};
    int file_ = -1;
    int saved_ = -1;
};

enum class channel { debugger, standard_output };

struct diagnostic_case {
    const char* name;
    void (*arrange)(tray_library&, tray_test::shell_recorder&);  // before the capture
    void (*provoke)(tray_library&, tray_test::shell_recorder&);
    channel where;
    std::string expected;  // the one text written, exactly
};

void started_tray(tray_library& library, tray_test::shell_recorder&) { library.new_icon(); }

std::string with_tray_thread_id(std::string text) {
    const size_t at = text.find(tray_thread_id);
    if (at == std::string::npos) return text;
    const HWND window = tray_test::hidden_window();
    EXPECT_NE(window, nullptr);
    return text.replace(at, tray_thread_id.size(), std::to_string(GetWindowThreadProcessId(window, nullptr)));
}

// The strings written after the line `begin`, up to the line `end`.
std::vector<std::string> between(const std::vector<std::string>& lines, const std::string& begin,
                                 const std::string& end) {
    const auto from = std::find(lines.rbegin(), lines.rend(), begin);
    if (from == lines.rend()) return {"(missing " + begin + ")"};
    const auto to = std::find(from.base(), lines.end(), end);
    if (to == lines.end()) return {"(missing " + end + ")"};
    return std::vector<std::string>(from.base(), to);
}

TEST(TrayDiagnostics, EachFailureWritesExactlyItsTextWhereItBelongs) {
    test_support::DebugOutputCapture debugger;
    ASSERT_TRUE(debugger.ready());
    const diagnostic_case cases[] = {
        {"add", started_tray,
         [](tray_library& library, tray_test::shell_recorder& shell) {
             shell.fail(NIM_ADD);
             library.new_icon();
         },
         channel::debugger, "Unable to create notify icon."},
        {"version switch", started_tray,
         [](tray_library& library, tray_test::shell_recorder& shell) {
             shell.fail(NIM_SETVERSION);
             library.new_icon();
         },
         channel::debugger, "Unable to create notify icon."},
        {"icon change", started_tray,
         [](tray_library& library, tray_test::shell_recorder& shell) {
             shell.fail(NIM_MODIFY);
             library.set_stock_icon(library.last_icon, notification::builtin_logo_stock_id);
         },
         channel::debugger, "Error setting tray icon image"},
        {"tooltip", started_tray,
         [](tray_library& library, tray_test::shell_recorder& shell) {
             shell.fail(NIM_MODIFY);
             library.set_tooltip(library.last_icon, "tip");
         },
         channel::debugger, "Unable to set tooltip for status tray icon\n"},
        {"balloon", started_tray,
         [](tray_library& library, tray_test::shell_recorder& shell) {
             shell.fail(NIM_MODIFY);
             library.show_balloon(library.last_icon, "title", "text");
         },
         channel::debugger, "Unable to create status tray balloon.\n"},
        {"tray thread start", nullptr, started_tray, channel::debugger,
         "Running message loop in hidden window in thread " + tray_thread_id + "\n"},
        {"first event", [](tray_library& library, tray_test::shell_recorder&) { library.fail_event(1, 1450); },
         started_tray, channel::standard_output, "CreateEvent failed (1450)\n"},
        {"second event", [](tray_library& library, tray_test::shell_recorder&) { library.fail_event(2, 8); },
         started_tray, channel::standard_output, "CreateEvent failed (8)\n"},
        {"thread", [](tray_library& library, tray_test::shell_recorder&) { library.fail_thread_start(1455); },
         started_tray, channel::standard_output, "CreateThread failed (1455)\n"},
        {"thread ends before its window",
         [](tray_library& library, tray_test::shell_recorder&) { library.start_thread_that_ends_at_once(); },
         started_tray, channel::debugger, "WaitForSingleObject failed\n"},
        // No tray thread is left to take the quit message.
        {"unload",
         [](tray_library& library, tray_test::shell_recorder& shell) {
             library.start_thread_that_ends_at_once();
             started_tray(library, shell);
         },
         [](tray_library& library, tray_test::shell_recorder&) { library.unload(); }, channel::debugger,
         "warning: sending WMUSER_QUITLOOP message failed"},
    };
    for (const diagnostic_case& c : cases) {
        SCOPED_TRACE(c.name);
        tray_test::shell_recorder shell;
        tray_library library;
        ASSERT_TRUE(library.complete());
        library.use_shell(&tray_test::shell_recorder::record);
        if (c.arrange) c.arrange(library, shell);

        const std::string begin = std::string("begin of case ") + c.name;
        const std::string end = std::string("end of case ") + c.name;
        OutputDebugStringA(begin.c_str());
        standard_output_capture printed;
        ASSERT_TRUE(printed.ready());
        c.provoke(library, shell);
        const std::string printed_text = printed.finish();
        const std::string expected = with_tray_thread_id(c.expected);
        OutputDebugStringA(end.c_str());
        const std::vector<std::string> written = between(debugger.linesThrough(end), begin, end);

        if (c.where == channel::debugger) {
            EXPECT_EQ(written, std::vector<std::string>{expected});
            EXPECT_EQ(printed_text, "");
        } else {
            EXPECT_EQ(printed_text, expected);
            EXPECT_EQ(written, std::vector<std::string>{});
        }
    }
}

}  // namespace
