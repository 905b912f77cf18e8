#include "hdevelop_launch.h"

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "extension_list.h"
#include "text_conversion.h"
#include "user_environment.h"

namespace activate {
namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

struct EnvironmentBlockRelease {
    void operator()(wchar_t* block) const noexcept { FreeEnvironmentStringsW(block); }
};
using OwnedEnvironmentBlock = std::unique_ptr<wchar_t, EnvironmentBlockRelease>;

// The full path of hdevelop.exe in the system's search order. A path longer
// than the first buffer is searched again with the room the system asks for.
std::wstring findHDevelop() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            SearchPathW(nullptr, L"hdevelop", L".exe", static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) throw std::runtime_error("could not find hdevelop.exe in the search path.");
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}

}  // namespace

void launchHDevelop(const ToolState& state) {
    // A program's environment holds no %VARIABLE% references: Windows expands
    // an expandable value before a program sees it. Planning from the
    // expanded text leaves the package's own entry as it is.
    UserEnvironmentValue current = readExtensionsValue();
    if (current.expandable) current = {expandEnvironmentReferences(current.text), false};
    ChangeLines unusedLines;
    const std::string value = joinExtensionList(planActivation(state, current, unusedLines));
    const std::wstring hdevelop = findHDevelop();

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    SetEnvironmentVariableW(L"HALCONEXTENSIONS", toUtf16(value).c_str());
    const OwnedEnvironmentBlock environment(GetEnvironmentStringsW());
    if (!CreateProcessW(hdevelop.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.get(), nullptr, &startup, &process)) {
        throw std::runtime_error("could not launch hdevelop.exe.");
    }
    // HDevelop runs on its own; the tool keeps nothing of it.
    const OwnedHandle processHandle(process.hProcess);
    const OwnedHandle threadHandle(process.hThread);
}

}  // namespace activate
