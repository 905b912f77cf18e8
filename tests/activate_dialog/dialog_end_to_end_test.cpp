// The activation tool run as the user runs it: from an installed layout,
// with a HALCON installation in its environment, driven through its windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "hdevelop_records.h"
#include "tool_driver.h"
#include "user_extensions.h"

namespace activate_test {
namespace {

const std::string confirmationOpening = "Continue to perform the following changes to your user environment:\n\n";
const std::string activationHeader =
    "Activate this Extension Package for the current user for the detected HALCON version HALCON 13.0.\n"
    "After a restart of HDevelop, the operators of this Extension Package will be available for usage with HDevelop "
    "and HDevelop XL for architectures x86sse2-win32 and x64-win64.\n";
const std::string resetAllText =
    "Deactivate ALL Extension Packages for the current user? Afterwards, this extension package as well as other "
    "extension packages will no longer work. To activate extension packages again, you will have to add them to the "
    "environment variable HALCONEXTENSIONS, either manually or with the Activation Tool.";
const std::string doneText =
    "Done.\n\nPlease remember to restart every process running HALCON and any IDE (e.g. Visual Studio) that might "
    "still be using old environment settings.";
const std::string removing = " - removing from environment variable HALCONEXTENSIONS: ";
const std::string prepending = " - prepend environment variable HALCONEXTENSIONS with: ";
const std::string newValue = " - new environment variable HALCONEXTENSIONS will be: ";

std::string controlText(HWND dialog, int id) { return window_driver::window_text(GetDlgItem(dialog, id)); }
bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

// Ends the tool through its close box and expects exit code 0.
void closeWithCloseBox(ToolProcess& tool, HWND dialog) {
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(tool.waitForExit(), std::optional<DWORD>(0));
}

// A layout, then (once the test has set the registry up) the tool from it.
struct RunningTool {
    InstalledLayout layout;
    std::unique_ptr<ToolProcess> tool;
    HWND dialog = nullptr;

    void start(const EnvironmentChanges& changes = halconEnvironment()) {
        tool = std::make_unique<ToolProcess>(layout.toolPath(), changes);
    }
    bool startAndWaitForDialog() {
        start();
        return waitForDialog();
    }
    bool waitForDialog() {
        dialog = waitForWindow(tool->id(), dialogCaption);
        return dialog != nullptr;
    }
};

TEST(ActivationDialog, ShowsItsControlsWithTheButtonsTheRegistryCallsFor) {
    struct Case {
        const char* what;
        std::function<std::optional<std::string>(const InstalledLayout&)> value;
        bool active;
    };
    const Case cases[] = {
        {"absent", [](const InstalledLayout&) { return std::nullopt; }, false},
        {"another package only", [](const InstalledLayout&) { return std::string("C:\\other\\pkg;"); }, false},
        {"this package for another HALCON",
         [](const InstalledLayout& layout) { return "C:\\other\\pkg;" + layout.packageDirectory("12.0"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunningTool run;
        const UserExtensionsValue value(c.value(run.layout));
        ASSERT_TRUE(run.startAndWaitForDialog());
        const HWND dialog = run.dialog;

        EXPECT_EQ(controlText(dialog, 201), "Activation Tool for");
        EXPECT_EQ(controlText(dialog, 202),
                  "Desktop notifications for HALCON: message boxes, beeps and tray icons");
        EXPECT_EQ(controlText(dialog, 203), "HALCON uses the environment variable HALCONEXTENSIONS to decide");
        EXPECT_EQ(controlText(dialog, 204), "which extension packages will be loaded. This tool will add or");
        EXPECT_EQ(controlText(dialog, 205), "remove the extension package corresponding to the current HALCON");
        EXPECT_EQ(controlText(dialog, 206),
                  "version permanently to the user's environment variable HALCONEXTENSIONS.");
        EXPECT_EQ(controlText(dialog, 1002), "&Activate...");
        EXPECT_EQ(controlText(dialog, 1003), "&Deactivate...");
        EXPECT_EQ(controlText(dialog, 1006), "&Try in HDevelop");
        EXPECT_EQ(window_driver::class_name(GetDlgItem(dialog, 1004)), "SysLink");
        EXPECT_EQ(window_driver::class_name(GetDlgItem(dialog, 1005)), "SysLink");

        EXPECT_EQ(enabled(dialog, 1002), !c.active);
        EXPECT_EQ(enabled(dialog, 1003), c.active);
        EXPECT_TRUE(enabled(dialog, 1006));

        // Centred on the desktop.
        RECT desktop;
        RECT placed;
        GetWindowRect(GetDesktopWindow(), &desktop);
        GetWindowRect(dialog, &placed);
        EXPECT_LE(std::abs((placed.left - desktop.left) - (desktop.right - placed.right)), 1);
        EXPECT_LE(std::abs((placed.top - desktop.top) - (desktop.bottom - placed.bottom)), 1);

        // The package icon beside the tool, in control 2.
        const window_driver::dialog_snapshot seen = window_driver::snapshot(dialog);
        EXPECT_NE(seen.icon, nullptr);
        closeWithCloseBox(*run.tool, dialog);
    }
}

TEST(ActivationDialog, ShowsNoIconWhenThePackageIconIsNoFile) {
    RunningTool run;
    run.layout.remove(std::string(packageName) + ".ico");
    CreateDirectoryA((run.layout.directory() + "\\" + packageName + ".ico").c_str(), nullptr);
    const UserExtensionsValue value(std::nullopt);
    ASSERT_TRUE(run.startAndWaitForDialog());
    EXPECT_EQ(window_driver::snapshot(run.dialog).icon, nullptr);
    EXPECT_FALSE(boxAppears(run.tool->id(), 300ms));
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, ActivateWritesOnYesAndTurnsTheButtons) {
    RunningTool run;
    const UserExtensionsValue value("C:\\other\\pkg");
    ASSERT_TRUE(run.startAndWaitForDialog());
    window_driver::press(run.dialog, 1002);

    const std::string package = run.layout.packageDirectory();
    const auto confirmation = answerBox(run.tool->id(), IDYES);
    ASSERT_TRUE(confirmation.found);
    EXPECT_EQ(confirmation.text, confirmationOpening + activationHeader + "\n\n" + prepending + package + "\n\n" +
                                     newValue + package + ";C:\\other\\pkg");
    const auto done = answerBox(run.tool->id(), IDOK);
    ASSERT_TRUE(done.found);
    EXPECT_EQ(done.text, doneText);
    EXPECT_EQ(UserExtensionsValue::read(), package + ";C:\\other\\pkg");
    EXPECT_TRUE(waitForButtons(run.dialog, false, true));
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, ActivateDeclinedWritesNothingAndStillRefreshes) {
    RunningTool run;
    const UserExtensionsValue value("C:\\other\\pkg");
    ASSERT_TRUE(run.startAndWaitForDialog());
    EXPECT_TRUE(enabled(run.dialog, 1002));
    window_driver::press(run.dialog, 1002);
    // While the box is open the registry changes under the tool; the refresh
    // after No shows what it holds then.
    HWND box = waitForWindow(run.tool->id(), boxCaption);
    ASSERT_NE(box, nullptr);
    const std::string own = run.layout.packageDirectory();
    {
        const UserExtensionsValue changed(own);
        window_driver::press(box, IDNO);
        EXPECT_TRUE(waitForButtons(run.dialog, false, true));
        EXPECT_EQ(UserExtensionsValue::read(), own);
        EXPECT_FALSE(boxAppears(run.tool->id(), 500ms));
    }
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, AFailedActivateIsShownAndStillRefreshes) {
    RunningTool run;
    run.layout.remove("halcon-13.0\\" + std::string(packageName) + "\\bin");
    const UserExtensionsValue value(std::nullopt);
    ASSERT_TRUE(run.startAndWaitForDialog());
    window_driver::press(run.dialog, 1002);
    HWND box = waitForWindow(run.tool->id(), boxCaption);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(window_driver::snapshot(box).text, "could not find an extension package in directory\n" +
                                                     run.layout.directory() +
                                                     "\\halcon-13.0\n.\nTry re-installing the extension package.");
    {
        const UserExtensionsValue changed(run.layout.packageDirectory("12.0"));
        window_driver::press(box, IDOK);
        EXPECT_TRUE(waitForButtons(run.dialog, false, true));
        EXPECT_FALSE(boxAppears(run.tool->id(), 500ms));
    }
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, DeactivateRemovesThisPackageOnYes) {
    RunningTool run;
    const std::string package = run.layout.packageDirectory();
    const std::string older = run.layout.packageDirectory("12.0");
    const UserExtensionsValue value(package + ";C:\\other\\pkg;" + older);
    ASSERT_TRUE(run.startAndWaitForDialog());
    EXPECT_TRUE(enabled(run.dialog, 1003));
    window_driver::press(run.dialog, 1003);
    const auto confirmation = answerBox(run.tool->id(), IDYES);
    ASSERT_TRUE(confirmation.found);
    EXPECT_EQ(confirmation.text, confirmationOpening + removing + package + "\n" + removing + older + "\n\n" +
                                     newValue + "C:\\other\\pkg");
    const auto done = answerBox(run.tool->id(), IDOK);
    EXPECT_EQ(done.text, doneText);
    EXPECT_EQ(UserExtensionsValue::read(), std::string("C:\\other\\pkg"));
    EXPECT_TRUE(waitForButtons(run.dialog, true, false));
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, ResetAllLinkRemovesTheVariableOnYes) {
    RunningTool run;
    const UserExtensionsValue value(run.layout.packageDirectory() + ";C:\\other\\pkg");
    ASSERT_TRUE(run.startAndWaitForDialog());
    EXPECT_TRUE(enabled(run.dialog, 1003));
    clickLink(run.dialog, 1005);
    const auto confirmation = answerBox(run.tool->id(), IDYES);
    ASSERT_TRUE(confirmation.found);
    EXPECT_EQ(confirmation.text,
              confirmationOpening + resetAllText + "\n\n\n - remove environment variable HALCONEXTENSIONS");
    const auto done = answerBox(run.tool->id(), IDOK);
    EXPECT_EQ(done.text, doneText);
    EXPECT_EQ(UserExtensionsValue::read(), std::nullopt);
    EXPECT_TRUE(waitForButtons(run.dialog, true, false));
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, EscapeLeavesItOpen) {
    RunningTool run;
    const UserExtensionsValue value(std::nullopt);
    ASSERT_TRUE(run.startAndWaitForDialog());
    // As the keyboard gives it: to the focused control, through the loop.
    PostMessageW(GetDlgItem(run.dialog, 1002), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(GetDlgItem(run.dialog, 1002), WM_KEYUP, VK_ESCAPE, 0xC0000001);
    EXPECT_EQ(run.tool->waitForExit(1s), std::nullopt);
    EXPECT_TRUE(IsWindowVisible(run.dialog));
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, AltAndTheMnemonicPressTheButton) {
    RunningTool run;
    const UserExtensionsValue value(std::nullopt);
    ASSERT_TRUE(run.startAndWaitForDialog());
    // Alt+A as the keyboard gives it to the focused control; only the dialog
    // manager in the tool's message loop turns it into a press of "&Activate...".
    PostMessageW(GetDlgItem(run.dialog, 1002), WM_SYSCHAR, 'a', 0x20000001);
    const auto confirmation = answerBox(run.tool->id(), IDNO, 5s);
    ASSERT_TRUE(confirmation.found);
    EXPECT_EQ(confirmation.text.rfind(confirmationOpening + activationHeader, 0), 0u) << confirmation.text;
    closeWithCloseBox(*run.tool, run.dialog);
}

// Declined and failed Deactivate and Reset all; the tests above refresh after
// every outcome of Activate and after the written ones. The registry changes
// behind the tool's back while the command's last box is open, so that only a
// refresh after the command shows the new state.
TEST(ActivationDialog, DeactivateAndResetAllRefreshInEveryOutcome) {
    enum class Command { deactivate, resetAll };
    struct Case {
        const char* what;
        Command command;
        bool ownEntryAtStart;
        bool unreadableBeforeCommand;  // the command's own read fails
        std::vector<int> answers;
        bool lastBoxIsWarning;
        bool ownEntryMeanwhile;
    };
    const Case cases[] = {
        {"Deactivate declined", Command::deactivate, true, false, {IDNO}, false, false},
        {"Deactivate failed", Command::deactivate, true, true, {IDOK}, true, false},
        {"Reset all declined", Command::resetAll, true, false, {IDNO}, false, false},
        // Deleting a variable that is not there fails.
        {"Reset all failed", Command::resetAll, false, false, {IDYES, IDOK}, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunningTool run;
        const std::string own = run.layout.packageDirectory();
        const UserExtensionsValue value(c.ownEntryAtStart ? std::optional<std::string>(own + ";C:\\other\\pkg")
                                                          : std::nullopt);
        ASSERT_TRUE(run.startAndWaitForDialog());
        EXPECT_EQ(enabled(run.dialog, 1003), c.ownEntryAtStart);
        ASSERT_NE(c.ownEntryMeanwhile, c.ownEntryAtStart);  // else a refresh could not be seen
        if (c.unreadableBeforeCommand) UserExtensionsValue::storeNumber(7);

        if (c.command == Command::deactivate) {
            window_driver::press(run.dialog, 1003);
        } else {
            clickLink(run.dialog, 1005);
        }
        for (std::size_t i = 0; i < c.answers.size(); ++i) {
            HWND box = waitForWindow(run.tool->id(), boxCaption);
            ASSERT_NE(box, nullptr) << "box " << i;
            if (i + 1 < c.answers.size()) {
                ASSERT_TRUE(answerBox(run.tool->id(), c.answers[i]).found);
                continue;
            }
            EXPECT_EQ(window_driver::snapshot(box).icon != nullptr, c.lastBoxIsWarning);
            activate_test::setRawUserExtensions(c.ownEntryMeanwhile ? std::optional<std::string>(own)
                                                                    : std::optional<std::string>("C:\\other\\pkg"));
            window_driver::press(box, c.answers[i]);
        }
        EXPECT_TRUE(waitForButtons(run.dialog, !c.ownEntryMeanwhile, c.ownEntryMeanwhile));
        EXPECT_FALSE(boxAppears(run.tool->id(), 300ms));
        closeWithCloseBox(*run.tool, run.dialog);
    }
}

// The HALCON environment with the tests' hdevelop.exe first on the path,
// noting each start in `records`.
EnvironmentChanges hdevelopEnvironment(const ScratchDirectory& records) {
    char path[32767];
    const DWORD pathLength = GetEnvironmentVariableA("PATH", path, sizeof path);
    EnvironmentChanges changes = halconEnvironment();
    const std::string hdevelopFolder = programDirectory() + "\\" + ACTIVATE_HDEVELOP_FROM_BIN;
    changes.push_back({"PATH", hdevelopFolder + ";" + std::string(path, pathLength)});
    changes.push_back({"ACTIVATE_TEST_HDEVELOP_RECORDS", records.path()});
    return changes;
}

TEST(ActivationDialog, TryInHDevelopStartsItWithThePlannedListAndLeavesTheRegistry) {
    ScratchDirectory records;
    RunningTool run;
    const std::string before = run.layout.packageDirectory("12.0") + ";C:\\other\\pkg";
    const UserExtensionsValue value(before);
    run.start(hdevelopEnvironment(records));
    ASSERT_TRUE(run.waitForDialog());

    // Two clicks, two HDevelops, each with this package for HALCON 13.0 first.
    window_driver::press(run.dialog, 1006);
    window_driver::press(run.dialog, 1006);
    const std::string expected = "0\n" + run.layout.packageDirectory() + ";C:\\other\\pkg";
    EXPECT_EQ(waitForHDevelopRecords(records.path(), 2), std::vector<std::string>(2, expected));
    EXPECT_FALSE(boxAppears(run.tool->id(), 500ms));
    EXPECT_EQ(UserExtensionsValue::read(), before);
    EXPECT_FALSE(enabled(run.dialog, 1002));
    EXPECT_TRUE(enabled(run.dialog, 1003));
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, TryInHDevelopDoesNotRefresh) {
    ScratchDirectory records;
    RunningTool run;
    const UserExtensionsValue value("C:\\other\\pkg");
    run.start(hdevelopEnvironment(records));
    ASSERT_TRUE(run.waitForDialog());
    EXPECT_TRUE(enabled(run.dialog, 1002));
    // Behind the tool's back: only a refresh would show it.
    activate_test::setRawUserExtensions(run.layout.packageDirectory());
    window_driver::press(run.dialog, 1006);
    ASSERT_EQ(waitForHDevelopRecords(records.path(), 1).size(), 1u);
    // The tool answers a sent message only back in its message loop, after
    // the command and whatever followed it.
    DWORD_PTR ignored = 0;
    ASSERT_NE(SendMessageTimeoutW(run.dialog, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &ignored), 0);
    EXPECT_TRUE(enabled(run.dialog, 1002));
    EXPECT_FALSE(enabled(run.dialog, 1003));
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, AnUnreadableValueIsShownAndTheDialogStaysUsable) {
    RunningTool run;
    const UserExtensionsValue value(std::nullopt);
    UserExtensionsValue::storeNumber(7);
    run.start();
    // The first refresh, inside the dialog's creation, cannot read the value.
    const auto warning = answerBox(run.tool->id(), IDOK);
    ASSERT_TRUE(warning.found);
    EXPECT_EQ(warning.text,
              "Getting registry key HKEY_CURRENT_USER\\Environment\\HALCONEXTENSIONS failed: Cannot get size of "
              "string value: RegGetValue failed.");
    ASSERT_TRUE(run.waitForDialog());
    // Reset all does not read the value, so it mends it.
    clickLink(run.dialog, 1005);
    ASSERT_TRUE(answerBox(run.tool->id(), IDYES).found);
    EXPECT_EQ(answerBox(run.tool->id(), IDOK).text, doneText);
    EXPECT_TRUE(waitForButtons(run.dialog, true, false));
    closeWithCloseBox(*run.tool, run.dialog);
}

TEST(ActivationDialog, AStartUpFailureShowsOneWarningAndEndsWithOne) {
    RunningTool run;
    run.layout.remove("quellmark-solutions-extpack.json");
    run.start();
    const auto warning = answerBox(run.tool->id(), IDOK);
    ASSERT_TRUE(warning.found);
    EXPECT_EQ(warning.text, "could not find or open package description file\n" + run.layout.directory() +
                                "\\quellmark-solutions-extpack.json\n.\nPlease try to reinstall the extension package.");
    EXPECT_EQ(run.tool->waitForExit(), std::optional<DWORD>(1));
}

// A dialog template whose one control is of a class nobody registered, so
// that the dialog cannot be created from it.
std::vector<WORD> uncreatableDialogTemplate() {
    std::vector<WORD> words;
    auto dword = [&words](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    auto text = [&words](const wchar_t* value) {
        for (; *value; ++value) words.push_back(static_cast<WORD>(*value));
        words.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION);
    dword(0);
    words.insert(words.end(), {1, 0, 0, 100, 50});  // one control, position, size
    words.insert(words.end(), {0, 0});              // no menu, standard class
    text(L"Activation Tool");
    if (words.size() % 2) words.push_back(0);  // the control starts on a DWORD
    dword(WS_CHILD | WS_VISIBLE);
    dword(0);
    words.insert(words.end(), {0, 0, 50, 20, 1002});
    text(L"NoSuchControlClass");
    text(L"");
    words.push_back(0);  // no creation data
    return words;
}

TEST(ActivationDialog, ADialogThatCannotBeCreatedIsShownAndEndsWithOne) {
    RunningTool run;
    const std::wstring tool = widen(run.layout.toolPath());
    HANDLE update = BeginUpdateResourceW(tool.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    std::vector<WORD> broken = uncreatableDialogTemplate();
    ASSERT_TRUE(UpdateResourceW(update, MAKEINTRESOURCEW(5) /* RT_DIALOG */, MAKEINTRESOURCEW(103),
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), broken.data(),
                                static_cast<DWORD>(broken.size() * sizeof(WORD))));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));

    const UserExtensionsValue value(std::nullopt);
    run.start();
    const auto warning = answerBox(run.tool->id(), IDOK);
    ASSERT_TRUE(warning.found);
    EXPECT_EQ(warning.text.rfind("internal error: could not create the dialog window", 0), 0u) << warning.text;
    EXPECT_EQ(run.tool->waitForExit(), std::optional<DWORD>(1));
}

}  // namespace
}  // namespace activate_test
