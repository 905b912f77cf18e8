// Starts a child process for a test and owns it. Under a loaded Wine a new
// process now and then dies while it starts, and CreateProcessW then fails
// with ERROR_INTERNAL_ERROR; such a start is tried again a few times. Any
// other failure is reported at once.
#ifndef TESTS_SUPPORT_CHILD_START_H
#define TESTS_SUPPORT_CHILD_START_H

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace test_support {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// A started child; ended by force if it still runs when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(const PROCESS_INFORMATION& started)
        : process_(started.hProcess), thread_(started.hThread), id_(started.dwProcessId) {}
    ~ChildProcess() {
        if (process_ && running()) end();
    }
    ChildProcess(ChildProcess&&) = default;
    ChildProcess& operator=(ChildProcess&&) = delete;

    DWORD id() const { return id_; }
    bool running() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

    // The exit code, or nothing while it still runs after `limit`.
    std::optional<DWORD> waitForExit(std::chrono::milliseconds limit) const {
        if (WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
            return std::nullopt;
        }
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

    // Ends it with exit code 99 and gives it a moment to be gone.
    void end() {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }

private:
    OwnedHandle process_;
    OwnedHandle thread_;
    DWORD id_;
};

// What to start. Without an environment block (CREATE_UNICODE_ENVIRONMENT
// layout) the child gets a copy of this process's environment.
struct ChildCommand {
    std::wstring program;
    std::wstring commandLine;
    std::optional<std::wstring> environment;
};

struct ChildStart {
    std::optional<ChildProcess> child;  // empty when it did not start
    DWORD error = ERROR_SUCCESS;        // then the last try's error
};

// CreateProcessW, or what a test puts in its place.
using CreateProcessFunction = decltype(&CreateProcessW);

constexpr int childStartTries = 5;

inline ChildStart startChild(const ChildCommand& command, CreateProcessFunction createProcess = &CreateProcessW) {
    ChildStart start;
    for (int attempt = 1;; ++attempt) {
        // CreateProcessW may write into both buffers.
        std::wstring commandLine = command.commandLine;
        std::optional<std::wstring> environment = command.environment;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (createProcess(command.program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                          environment ? CREATE_UNICODE_ENVIRONMENT : 0, environment ? &(*environment)[0] : nullptr,
                          nullptr, &startup, &started)) {
            start.child.emplace(started);
            start.error = ERROR_SUCCESS;
            return start;
        }
        start.error = GetLastError();
        if (start.error != ERROR_INTERNAL_ERROR || attempt == childStartTries) return start;
        Sleep(static_cast<DWORD>(50 + 50 * attempt));
    }
}

// This test program again, running the tests `filter` names, with the
// environment variable `marker` set for it alone.
inline ChildStart startThisProgram(const std::wstring& filter, const char* marker) {
    wchar_t program[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, program, MAX_PATH) == 0) return {std::nullopt, GetLastError()};
    const std::wstring commandLine = L"\"" + std::wstring(program) + L"\" --gtest_filter=" + filter;
    SetEnvironmentVariableA(marker, "1");
    ChildStart start = startChild({program, commandLine, std::nullopt});
    SetEnvironmentVariableA(marker, nullptr);
    return start;
}

}  // namespace test_support

#endif
