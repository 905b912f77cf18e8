// Runs the activation tool as its own process from a scratch installed
// layout and drives its windows from outside, with window messages.
#ifndef ACTIVATE_TOOL_DRIVER_H
#define ACTIVATE_TOOL_DRIVER_H

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "child_process.h"
#include "child_start.h"
#include "test_paths.h"
#include "window_driver.h"

namespace activate_test {

using namespace std::chrono_literals;

constexpr const char* dialogCaption = "Activation Tool";
constexpr const char* boxCaption = "Activation Tool for Extension Package";
constexpr const char* packageName = EXTENSION_PACKAGE_NAME;

// A scratch folder laid out as the installed package: activate.exe, the
// package description, the package icon and halcon-13.0/<name>/bin/<arch>/
// <name>.dll (the tool only checks that it is a file).
class InstalledLayout {
public:
    InstalledLayout();
    const std::string& directory() const { return folder_.path(); }
    std::string toolPath() const { return directory() + "\\activate.exe"; }
    // <directory>\halcon-<version>\<name>: the entry Activate writes.
    std::string packageDirectory(const std::string& halconVersion = "13.0") const;
    void remove(const std::string& name) const;
    const ScratchDirectory& folder() const { return folder_; }

private:
    ScratchDirectory folder_;
};

// The environment a user with the fixture HALCON 13.0 has.
EnvironmentChanges halconEnvironment();

// The tool, started from a layout; ended by force if a test leaves it running.
class ToolProcess {
public:
    ToolProcess(const std::string& program, const EnvironmentChanges& changes);
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    DWORD id() const { return child_.id(); }
    // The exit code, or nothing while it still runs after `timeout`.
    std::optional<DWORD> waitForExit(std::chrono::milliseconds timeout = 20s);
    bool running() const;

private:
    static test_support::ChildProcess start(const std::string& program, const EnvironmentChanges& changes);

    test_support::ChildProcess child_;
};

// The visible dialog (class #32770) of that process with exactly that
// caption, or null when none came in time.
HWND waitForWindow(DWORD processId, const std::string& caption, std::chrono::milliseconds timeout = 20s);

// Waits for the message box of the tool, notes what it shows and presses
// `buttonId` (IDOK, IDYES, IDNO). `found` is false when no box came.
window_driver::dialog_snapshot answerBox(DWORD processId, int buttonId, std::chrono::milliseconds timeout = 20s);

// True when a tool box shows up within `timeout`.
bool boxAppears(DWORD processId, std::chrono::milliseconds timeout);

// Waits until Activate (1002) and Deactivate (1003) are both as given: the
// tool sets one after the other, so waiting for one does not settle both.
bool waitForButtons(HWND dialog, bool activateEnabled, bool deactivateEnabled,
                    std::chrono::milliseconds timeout = 5s);

// A click on the first characters of a link control, as the mouse gives it.
void clickLink(HWND dialog, int controlId);

// HALCONEXTENSIONS of the prefix's user, set for a test and deleted after it.
class UserExtensionsValue {
public:
    explicit UserExtensionsValue(const std::optional<std::string>& value);
    ~UserExtensionsValue();
    UserExtensionsValue(const UserExtensionsValue&) = delete;
    UserExtensionsValue& operator=(const UserExtensionsValue&) = delete;

    // The stored text, or nothing when the value is absent.
    static std::optional<std::string> read();
    // A value of the wrong type, which the tool cannot read.
    static void storeNumber(DWORD number);
};

}  // namespace activate_test

#endif
