// The one child start of the tests: a start that Wine loses is tried again,
// any other failure is reported at once.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "child_start.h"

namespace {

using namespace std::chrono_literals;

// The fake CreateProcessW fails with these errors, one per call; when they
// are used up it starts the child for real.
std::vector<DWORD> scriptedErrors;
size_t createProcessCalls = 0;

BOOL WINAPI scriptedCreateProcess(LPCWSTR program, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                                  LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags,
                                  LPVOID environment, LPCWSTR directory, LPSTARTUPINFOW startup,
                                  LPPROCESS_INFORMATION started) {
    const size_t call = createProcessCalls++;
    if (call < scriptedErrors.size()) {
        SetLastError(scriptedErrors[call]);
        return FALSE;
    }
    return CreateProcessW(program, commandLine, processAttributes, threadAttributes, inheritHandles, flags,
                          environment, directory, startup, started);
}

// The system's cmd.exe, ending at once with exit code 7.
test_support::ChildCommand exitingChild() {
    wchar_t system[MAX_PATH] = {};
    EXPECT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    return {cmd, L"\"" + cmd + L"\" /c exit 7", std::nullopt};
}

struct StartCase {
    const char* name;
    std::vector<DWORD> errors;  // what the first calls fail with
    bool started;
    DWORD error;                // reported when not started
    size_t calls;
};

TEST(ChildStart, TriesAgainOnlyWhileWineLosesTheNewProcess) {
    const std::vector<StartCase> cases = {
        {"started at once", {}, true, ERROR_SUCCESS, 1},
        {"lost twice, then started", {ERROR_INTERNAL_ERROR, ERROR_INTERNAL_ERROR}, true, ERROR_SUCCESS, 3},
        {"lost on every try", std::vector<DWORD>(2 * test_support::childStartTries, ERROR_INTERNAL_ERROR), false,
         ERROR_INTERNAL_ERROR, test_support::childStartTries},
        {"program not found", {ERROR_FILE_NOT_FOUND}, false, ERROR_FILE_NOT_FOUND, 1},
        {"lost, then not found", {ERROR_INTERNAL_ERROR, ERROR_FILE_NOT_FOUND}, false, ERROR_FILE_NOT_FOUND, 2},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        scriptedErrors = c.errors;
        createProcessCalls = 0;

        test_support::ChildStart start = test_support::startChild(exitingChild(), &scriptedCreateProcess);

        EXPECT_EQ(createProcessCalls, c.calls);
        EXPECT_EQ(start.child.has_value(), c.started);
        EXPECT_EQ(start.error, c.error);
        if (c.started && start.child) {
            // Only a hang detector: cmd.exe ends at once.
            EXPECT_EQ(start.child->waitForExit(60s), std::optional<DWORD>(7));
        }
    }
}

}  // namespace
