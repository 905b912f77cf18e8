#include "tool_driver.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace activate_test {
namespace {

namespace fs = std::filesystem;

// A folder of the build tree named relative to the test program's folder.
std::string buildFolder(const char* fromBin) {
    std::string relative = fromBin;
    for (char& c : relative) {
        if (c == '/') c = '\\';
    }
    return programDirectory() + "\\" + relative;
}

void copyFile(const std::string& from, const std::string& to) {
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + from + " to " + to + ", error " + std::to_string(GetLastError()));
    }
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// This process's environment without the changed variables, then the set ones.
std::wstring environmentBlock(const EnvironmentChanges& changes) {
    std::wstring block;
    const auto environment =
        std::unique_ptr<wchar_t, decltype(&FreeEnvironmentStringsW)>(GetEnvironmentStringsW(), FreeEnvironmentStringsW);
    for (const wchar_t* entry = environment.get(); *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring text = entry;
        const std::wstring name = text.substr(0, text.find(L'=', 1));
        bool keep = true;
        for (const auto& change : changes) keep = keep && !sameName(name, widen(change.first));
        if (keep) block.append(text).push_back(L'\0');
    }
    for (const auto& change : changes) {
        if (change.second) block.append(widen(change.first + "=" + *change.second)).push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

struct WindowSearch {
    DWORD processId;
    const std::string* caption;  // null: any caption
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->processId && window_driver::class_name(window) == "#32770" && IsWindowVisible(window) &&
        (!search->caption || window_driver::window_text(window) == *search->caption)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

InstalledLayout::InstalledLayout() {
    const std::string files = buildFolder(ACTIVATE_TOOL_FILES_FROM_BIN);
    for (const std::string& name : {std::string("activate.exe"), std::string("quellmark-solutions-extpack.json"),
                                   std::string(packageName) + ".ico"}) {
        copyFile(files + "\\" + name, directory() + "\\" + name);
    }
    const std::string binary = packageDirectory() + "\\bin\\" + HALCON_ARCH_NAME;
    fs::create_directories(fs::path(widen(binary)));
    folder_.writeFile("halcon-13.0\\" + std::string(packageName) + "\\bin\\" + HALCON_ARCH_NAME + "\\" + packageName +
                          ".dll",
                      "not loaded by the tool");
}

std::string InstalledLayout::packageDirectory(const std::string& halconVersion) const {
    return directory() + "\\halcon-" + halconVersion + "\\" + packageName;
}

void InstalledLayout::remove(const std::string& name) const {
    fs::remove_all(fs::path(widen(directory() + "\\" + name)));
}

EnvironmentChanges halconEnvironment() {
    return {{"HALCONROOT", installationFixture("halcon-13.0")}, {"HALCONARCH", std::string(HALCON_ARCH_NAME)}};
}

ToolProcess::ToolProcess(const std::string& program, const EnvironmentChanges& changes)
    : child_(start(program, changes)) {}

test_support::ChildProcess ToolProcess::start(const std::string& program, const EnvironmentChanges& changes) {
    const std::wstring path = widen(program);
    test_support::ChildStart started =
        test_support::startChild({path, L"\"" + path + L"\"", environmentBlock(changes)});
    if (!started.child) throw std::runtime_error("cannot start " + program + ", error " + std::to_string(started.error));
    return std::move(*started.child);
}

ToolProcess::~ToolProcess() {
    if (running()) {
        ADD_FAILURE() << "the tool was still running at the end of the test";
        child_.end();
    }
}

std::optional<DWORD> ToolProcess::waitForExit(std::chrono::milliseconds timeout) { return child_.waitForExit(timeout); }

bool ToolProcess::running() const { return child_.running(); }

HWND waitForWindow(DWORD processId, const std::string& caption, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        WindowSearch search{processId, &caption, nullptr};
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(20);
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}

window_driver::dialog_snapshot answerBox(DWORD processId, int buttonId, std::chrono::milliseconds timeout) {
    HWND box = waitForWindow(processId, boxCaption, timeout);
    if (!box) return {};
    window_driver::dialog_snapshot seen = window_driver::snapshot(box);
    window_driver::press(box, buttonId);
    // The box is gone before the next one is looked for.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (IsWindow(box) && IsWindowVisible(box) && std::chrono::steady_clock::now() < deadline) Sleep(20);
    return seen;
}

bool boxAppears(DWORD processId, std::chrono::milliseconds timeout) {
    return waitForWindow(processId, boxCaption, timeout) != nullptr;
}

bool waitForButtons(HWND dialog, bool activateEnabled, bool deactivateEnabled, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto isEnabled = [dialog](int controlId) { return IsWindowEnabled(GetDlgItem(dialog, controlId)) != FALSE; };
    do {
        if (isEnabled(1002) == activateEnabled && isEnabled(1003) == deactivateEnabled) return true;
        Sleep(20);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

void clickLink(HWND dialog, int controlId) {
    HWND link = GetDlgItem(dialog, controlId);
    const LPARAM point = MAKELPARAM(6, 6);
    PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(link, WM_LBUTTONUP, 0, point);
}

UserExtensionsValue::UserExtensionsValue(const std::optional<std::string>& value) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", L"HALCONEXTENSIONS");
    if (value) {
        const std::wstring text = widen(*value);
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Environment", L"HALCONEXTENSIONS", REG_SZ, text.c_str(),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
}

UserExtensionsValue::~UserExtensionsValue() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", L"HALCONEXTENSIONS");
}

std::optional<std::string> UserExtensionsValue::read() {
    DWORD size = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, "Environment", "HALCONEXTENSIONS", RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string text(size, '\0');
    RegGetValueA(HKEY_CURRENT_USER, "Environment", "HALCONEXTENSIONS", RRF_RT_REG_SZ, nullptr, &text[0], &size);
    text.resize(text.find('\0'));
    return text;
}

void UserExtensionsValue::storeNumber(DWORD number) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Environment", L"HALCONEXTENSIONS", REG_DWORD, &number, sizeof number);
}

}  // namespace activate_test
