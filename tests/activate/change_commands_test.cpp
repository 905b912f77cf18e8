// The confirmation box and the write of HALCONEXTENSIONS, the three change
// commands and the HDevelop launch. The boxes are the real MessageBoxA
// windows, read and answered from another thread; the value is read back
// from the prefix's registry. The commands that need the package layout run
// in a copy of this program placed in a scratch folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "box_watcher.h"
#include "change_commands.h"
#include "change_texts.h"
#include "child_process.h"
#include "extension_list.h"
#include "hdevelop_launch.h"
#include "hdevelop_records.h"
#include "test_paths.h"
#include "tool_folder.h"
#include "tool_state.h"
#include "user_extensions.h"

namespace {

using activate_test::loadList;
using activate_test::record;
using activate_test::ToolFolder;
using Strings = std::vector<std::string>;

const std::string arch = HALCON_ARCH_NAME;
const std::string package = "quorvane";
const std::string& title = activate_test::toolBoxTitle;
const std::string opening = "Continue to perform the following changes to your user environment:\n\n";
const std::string newValue = " - new environment variable HALCONEXTENSIONS will be: ";
const std::string removeVariable = " - remove environment variable HALCONEXTENSIONS";
const std::string doneText =
    "Done.\n\nPlease remember to restart every process running HALCON and any IDE (e.g. Visual Studio) that might "
    "still be using old environment settings.";
const std::string changedMeanwhile =
    "The environment variable HALCONEXTENSIONS was changed by another program while this change waited for your "
    "answer, so nothing was changed.\nPlease run the command again to see the changes it would make now.";
const std::string resetAllText =
    "Deactivate ALL Extension Packages for the current user? Afterwards, this extension package as well as other "
    "extension packages will no longer work. To activate extension packages again, you will have to add them to the "
    "environment variable HALCONEXTENSIONS, either manually or with the Activation Tool.";
const std::string deleteFailed =
    "Deleting registry key HKEY_CURRENT_USER\\Environment\\HALCONEXTENSIONS failed: RegDeleteValue failed.";

using activate_test::activationHeader;
using activate_test::prepend;
using activate_test::removal;

// "6 7" for Yes and No.
std::string buttonIds(const window_driver::dialog_snapshot& box) {
    std::string ids;
    for (const auto& button : box.buttons) ids += (ids.empty() ? "" : " ") + std::to_string(button.id);
    return ids;
}
const std::string yesNo = std::to_string(IDYES) + " " + std::to_string(IDNO);
const std::string okOnly = std::to_string(IDOK);

// What one call showed and what it did.
struct Shown {
    std::vector<window_driver::dialog_snapshot> boxes;
    bool ownerless = true;
    std::string error;  // "" when the call returned
};

// Runs `call` while the boxes of the tool's title are answered by `answer`.
template <typename Call>
Shown showing(activate_test::BoxWatcher::Answer answer, Call call) {
    activate_test::BoxWatcher watcher(title, std::move(answer));
    Shown shown;
    try {
        call();
    } catch (const std::runtime_error& error) {
        shown.error = error.what();
    }
    shown.boxes = watcher.stop();
    shown.ownerless = watcher.ownerless();
    return shown;
}

activate_test::BoxWatcher::Answer pressing(std::vector<int> buttons) {
    return [buttons](std::size_t index, const window_driver::dialog_snapshot&) {
        return index < buttons.size() ? buttons[index] : IDOK;
    };
}

// --- confirmAndApply -------------------------------------------------------------

class ConfirmTest : public ::testing::Test {
protected:
    activate_test::UserExtensionsRestorer restorer;
};

void expectConfirmationBox(const window_driver::dialog_snapshot& box, const std::string& text) {
    EXPECT_EQ(box.caption, title);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(buttonIds(box), yesNo);
    EXPECT_EQ(box.icon, nullptr);
}

void expectDoneBox(const window_driver::dialog_snapshot& box) {
    EXPECT_EQ(box.caption, title);
    EXPECT_EQ(box.text, doneText);
    EXPECT_EQ(buttonIds(box), okOnly);
    EXPECT_EQ(box.icon, nullptr);
}

TEST_F(ConfirmTest, ShowsTheLinesWithTheNewValueAndWritesItOnlyOnYes) {
    struct Case {
        Strings list;
        Strings lines;
        std::string shownAfterOpening;
        std::optional<std::string> written;  // nullopt: the variable is deleted
    };
    const Case cases[] = {
        {{"C:\\a", "", "C:\\b"}, {"first", "second\nwith a break", ""},
         "first\nsecond\nwith a break\n\n\n" + newValue + "C:\\a;;C:\\b", "C:\\a;;C:\\b"},
        {{"", ""}, {}, "\n" + newValue + ";", ";"},
        {{"C:\\before"}, {}, "\n" + newValue + "C:\\before", "C:\\before"},  // the same value is written again
        {{""}, {"x"}, "x\n\n" + newValue, std::nullopt},                     // one empty entry: an empty value
        {{}, {"header", ""}, "header\n\n\n" + removeVariable, std::nullopt},
    };
    for (const Case& c : cases) {
        activate_test::setRawUserExtensions(std::string("C:\\before"));
        const Shown declined = showing(pressing({IDNO}), [&c] { activate::confirmAndApply(c.list, c.lines); });
        EXPECT_EQ(declined.error, "");
        ASSERT_EQ(declined.boxes.size(), 1u) << "No shows nothing more";
        expectConfirmationBox(declined.boxes[0], opening + c.shownAfterOpening);
        EXPECT_TRUE(declined.ownerless);
        EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>("C:\\before"));

        const Shown accepted = showing(pressing({IDYES, IDOK}), [&c] { activate::confirmAndApply(c.list, c.lines); });
        EXPECT_EQ(accepted.error, "");
        ASSERT_EQ(accepted.boxes.size(), 2u);
        expectConfirmationBox(accepted.boxes[0], opening + c.shownAfterOpening);
        expectDoneBox(accepted.boxes[1]);
        EXPECT_TRUE(accepted.ownerless);
        EXPECT_EQ(activate_test::rawUserExtensions(), c.written) << c.shownAfterOpening;
    }
}

TEST_F(ConfirmTest, WritesNothingWhenAnotherProgramChangedTheValueBeforeTheYes) {
    const auto changeThenYes = [](std::size_t index, const window_driver::dialog_snapshot&) {
        if (index == 0) activate_test::setRawUserExtensions(std::string("C:\\meanwhile;C:\\before"));
        return index == 0 ? IDYES : IDOK;
    };
    const std::vector<std::function<void()>> calls = {
        [] { activate::confirmAndApply({"C:\\planned"}, {}); },
        [] { activate::confirmAndApply({"C:\\planned"}, {}, "C:\\before"); },
        [] { activate::confirmAndApply({}, {}, "C:\\before"); },
    };
    for (const auto& call : calls) {
        activate_test::setRawUserExtensions(std::string("C:\\before"));
        const Shown shown = showing(changeThenYes, call);
        EXPECT_EQ(shown.error, changedMeanwhile);
        EXPECT_EQ(shown.boxes.size(), 1u) << "no Done. box";
        EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>("C:\\meanwhile;C:\\before"));
    }

    // Changed between the plan and the box: the plan's value is what counts.
    activate_test::setRawUserExtensions(std::string("C:\\meanwhile"));
    const Shown shown =
        showing(pressing({IDYES}), [] { activate::confirmAndApply({"C:\\planned"}, {}, "C:\\before"); });
    EXPECT_EQ(shown.error, changedMeanwhile);
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>("C:\\meanwhile"));

    // Absent when planned, absent still: no change, the write goes ahead.
    activate_test::setRawUserExtensions(std::nullopt);
    const Shown unchanged = showing(pressing({IDYES, IDOK}), [] { activate::confirmAndApply({"C:\\planned"}, {}, ""); });
    EXPECT_EQ(unchanged.error, "");
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>("C:\\planned"));
}

// The value keeps the type it has when the user says Yes: REG_EXPAND_SZ
// keeps the user's %VARIABLE% references references. A value that did not
// exist becomes REG_SZ.
TEST_F(ConfirmTest, WritesWithTheTypeTheValueHasAtTheYes) {
    using activate_test::StoredType;
    const std::string before = "C:\\before;%SystemRoot%\\x";
    const std::string planned = "%SystemRoot%\\x;C:\\planned";
    struct Case {
        std::optional<StoredType> before;     // nullopt: absent
        std::optional<StoredType> meanwhile;  // the same text stored again with this type
        StoredType written;
    };
    const Case cases[] = {
        {StoredType::expandable, std::nullopt, StoredType::expandable},
        {StoredType::plain, std::nullopt, StoredType::plain},
        {std::nullopt, std::nullopt, StoredType::plain},
        {StoredType::plain, StoredType::expandable, StoredType::expandable},
        {StoredType::expandable, StoredType::plain, StoredType::plain},
    };
    for (const Case& c : cases) {
        activate_test::setRawUserExtensions(c.before ? std::optional<std::string>(before) : std::nullopt,
                                            c.before.value_or(StoredType::plain));
        const auto yes = [&c, &before](std::size_t index, const window_driver::dialog_snapshot&) {
            if (index == 0 && c.meanwhile) activate_test::setRawUserExtensions(before, *c.meanwhile);
            return index == 0 ? IDYES : IDOK;
        };
        const std::string plannedFrom = c.before ? before : "";
        const Shown shown = showing(yes, [&] { activate::confirmAndApply({planned}, {}, plannedFrom); });
        EXPECT_EQ(shown.error, "");
        ASSERT_EQ(shown.boxes.size(), 2u);
        EXPECT_EQ(shown.boxes[0].text, opening + "\n" + newValue + planned);
        EXPECT_EQ(activate_test::rawUserExtensions(c.written), std::optional<std::string>(planned))
            << "case " << (&c - cases);
    }
}

TEST_F(ConfirmTest, AFailedWriteIsReportedInsteadOfDone) {
    activate_test::setRawUserExtensions(std::nullopt);
    const Shown shown = showing(pressing({IDYES}), [] { activate::confirmAndApply({}, {}); });
    EXPECT_EQ(shown.error, deleteFailed);
    ASSERT_EQ(shown.boxes.size(), 1u);
    expectConfirmationBox(shown.boxes[0], opening + "\n" + removeVariable);
}

TEST_F(ConfirmTest, ShowsEntriesOutsideAsciiInTheBoxesCodePage) {
    const std::string entry = "C:\\Gr\xC3\xBC\xC3\x9F" "e";
    char ansi[16] = {};
    const int length = WideCharToMultiByte(CP_ACP, 0, L"C:\\Gr\u00FC\u00DFe", -1, ansi, sizeof ansi, nullptr, nullptr);
    ASSERT_GT(length, 1);
    activate_test::setRawUserExtensions(std::string("C:\\before"));
    const Shown shown = showing(pressing({IDYES, IDOK}), [&entry] { activate::confirmAndApply({entry}, {entry}); });
    EXPECT_EQ(shown.error, "");
    ASSERT_EQ(shown.boxes.size(), 2u);
    EXPECT_EQ(shown.boxes[0].text, opening + ansi + "\n\n" + newValue + ansi);
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>(entry));
}

TEST_F(ConfirmTest, ResetAllAsksThenDeletesTheVariable) {
    const std::string text = opening + resetAllText + "\n\n\n" + removeVariable;
    activate_test::setRawUserExtensions(std::string("C:\\a;C:\\b"));
    const Shown declined = showing(pressing({IDNO}), [] { activate::resetAllExtensions(); });
    ASSERT_EQ(declined.boxes.size(), 1u);
    expectConfirmationBox(declined.boxes[0], text);
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>("C:\\a;C:\\b"));

    const Shown accepted = showing(pressing({IDYES, IDOK}), [] { activate::resetAllExtensions(); });
    EXPECT_EQ(accepted.error, "");
    ASSERT_EQ(accepted.boxes.size(), 2u);
    expectDoneBox(accepted.boxes[1]);
    EXPECT_EQ(activate_test::rawUserExtensions(), std::nullopt);

    // Nothing to delete: the store's failure instead of Done.
    const Shown absent = showing(pressing({IDYES}), [] { activate::resetAllExtensions(); });
    EXPECT_EQ(absent.error, deleteFailed);
    ASSERT_EQ(absent.boxes.size(), 1u);
    expectConfirmationBox(absent.boxes[0], text);
}

TEST_F(ConfirmTest, ResetAllAsksEvenWhenTheValueCannotBeRead) {
    activate_test::setUnreadableUserExtensions();
    const Shown shown = showing(pressing({IDYES, IDOK}), [] { activate::resetAllExtensions(); });
    EXPECT_EQ(shown.error, "");
    ASSERT_EQ(shown.boxes.size(), 2u);
    expectConfirmationBox(shown.boxes[0], opening + resetAllText + "\n\n\n" + removeVariable);
    EXPECT_EQ(activate_test::rawUserExtensions(), std::nullopt);
}

// --- the commands in a tool folder -------------------------------------------------

std::string fixtureProgramsFolder() {
    std::string relative = ACTIVATE_FIXTURE_PROGRAMS_FROM_BIN;
    for (char& c : relative) {
        if (c == '/') c = '\\';
    }
    const std::string joined = activate_test::programDirectory() + "\\" + relative;
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(joined.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("GetFullPathNameA failed for " + joined);
    return std::string(full, length);
}

std::string processExtensions() {
    wchar_t value[32768];
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetEnvironmentVariableW(L"HALCONEXTENSIONS", value, 32768);
    if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return "absent";
    return activate_test::utf8(std::wstring(value, length));
}

TEST(ChildProcess, DISABLED_RunCommand) {
    activate_test::Records records;
    const std::string operation = activate_test::environmentVariable("ACTIVATE_TEST_OPERATION");
    const std::string answer = activate_test::environmentVariable("ACTIVATE_TEST_ANSWER");
    const std::string meanwhile = activate_test::environmentVariable("ACTIVATE_TEST_MEANWHILE");
    const int launches = std::max(1, std::atoi(activate_test::environmentVariable("ACTIVATE_TEST_LAUNCHES").c_str()));
    activate_test::BoxWatcher watcher(title, [&](std::size_t index, const window_driver::dialog_snapshot& box) {
        if (index == 0 && !meanwhile.empty()) activate_test::setRawUserExtensions(meanwhile);
        if (index == 0) records["firstButtons"] = buttonIds(box);
        return index == 0 && box.buttons.size() == 2 ? (answer == "yes" ? IDYES : IDNO) : IDOK;
    });
    try {
        const activate::ToolState state = activate::ToolState::build();
        if (operation == "activate") {
            activate::activatePackage(state);
        } else if (operation == "deactivate") {
            activate::deactivatePackage(state);
        } else if (operation == "launch") {
            for (int i = 0; i < launches; ++i) activate::launchHDevelop(state);
        } else {
            records["error"] = "unknown operation " + operation;
        }
    } catch (const std::runtime_error& error) {
        records["error"] = error.what();
    }
    Strings texts;
    for (const auto& box : watcher.stop()) texts.push_back(box.text);
    activate_test::storeList(records, "boxes", texts);
    records["processValue"] = processExtensions();
    activate_test::writeChildRecords(records);
}

struct CommandOutcome {
    Strings boxes;
    std::string firstButtons;
    std::string error;
    std::string processValue;
};

class CommandTest : public ::testing::Test {
protected:
    CommandTest() : toolDirectory(tool.path()), packageDirectory(toolDirectory + "\\halcon-13.0\\" + package) {}

    CommandOutcome run(const std::string& operation, const std::optional<std::string>& value,
                       activate_test::EnvironmentChanges extra = {},
                       activate_test::StoredType type = activate_test::StoredType::plain) {
        activate_test::setRawUserExtensions(value, type);
        extra.push_back({"ACTIVATE_TEST_OPERATION", operation});
        const auto outcome = tool.run("DISABLED_RunCommand", extra);
        EXPECT_EQ(outcome.exitCode, 0u);
        return {loadList(outcome.records, "boxes"), record(outcome.records, "firstButtons"),
                record(outcome.records, "error"), record(outcome.records, "processValue")};
    }

    activate_test::UserExtensionsRestorer restorer;
    ToolFolder tool{package};
    const std::string toolDirectory;
    const std::string packageDirectory;
};

class InstalledCommandTest : public CommandTest {
protected:
    InstalledCommandTest() { tool.installLibrary("halcon-13.0", package, arch); }
};

TEST_F(InstalledCommandTest, ActivateShowsThePlanAndWritesItOnYes) {
    const std::string otherVersion = toolDirectory + "\\halcon-12.0\\" + package;
    const CommandOutcome outcome = run("activate", otherVersion + ";C:\\foreign", {{"ACTIVATE_TEST_ANSWER", "yes"}});
    EXPECT_EQ(outcome.error, "");
    ASSERT_EQ(outcome.boxes.size(), 2u);
    EXPECT_EQ(outcome.boxes[0], opening + activationHeader("13.0") + "\n\n" + removal(otherVersion) + "\n" +
                                    prepend(packageDirectory) + "\n\n" + newValue + packageDirectory + ";C:\\foreign");
    EXPECT_EQ(outcome.firstButtons, yesNo);
    EXPECT_EQ(outcome.boxes[1], doneText);
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>(packageDirectory + ";C:\\foreign"));
}

TEST_F(InstalledCommandTest, ActivateWhenAlreadyFirstRewritesTheSameValue) {
    const std::string value = packageDirectory + ";C:\\foreign";
    const CommandOutcome outcome = run("activate", value, {{"ACTIVATE_TEST_ANSWER", "yes"}});
    ASSERT_EQ(outcome.boxes.size(), 2u);
    EXPECT_EQ(outcome.boxes[0], opening + activationHeader("13.0") + "\n\n" + removal(packageDirectory) + "\n" +
                                    prepend(packageDirectory) + "\n\n" + newValue + value);
    EXPECT_EQ(outcome.boxes[1], doneText);
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>(value));
}

TEST_F(InstalledCommandTest, DeactivateShowsTheRemovalsAndWritesOnYes) {
    struct Case {
        std::optional<std::string> value;
        std::string shownAfterOpening;
        std::optional<std::string> written;
    };
    const std::string otherPackage = toolDirectory + "\\halcon-13.0\\other";
    const Case cases[] = {
        {packageDirectory + ";C:\\a;" + otherPackage,
         removal(packageDirectory) + "\n" + removal(otherPackage) + "\n\n" + newValue + "C:\\a", "C:\\a"},
        {packageDirectory + ";", removal(packageDirectory) + "\n\n" + newValue, std::nullopt},
        {packageDirectory, removal(packageDirectory) + "\n\n" + removeVariable, std::nullopt},
        {"C:\\a;;C:\\b", "\n" + newValue + "C:\\a;;C:\\b", "C:\\a;;C:\\b"},  // nothing of the package
    };
    for (const Case& c : cases) {
        const CommandOutcome outcome = run("deactivate", c.value, {{"ACTIVATE_TEST_ANSWER", "yes"}});
        EXPECT_EQ(outcome.error, "");
        ASSERT_EQ(outcome.boxes.size(), 2u);
        EXPECT_EQ(outcome.boxes[0], opening + c.shownAfterOpening);
        EXPECT_EQ(outcome.boxes[1], doneText);
        EXPECT_EQ(activate_test::rawUserExtensions(), c.written);
    }
}

// A REG_EXPAND_SZ value that names the package through a variable of the
// tool's environment, beside a foreign entry with a reference of its own.
class ExpandableValueCommandTest : public InstalledCommandTest {
protected:
    const std::string ownThroughVariable = "%ACTIVATE_TEST_TOOL%\\halcon-12.0\\" + package;
    const std::string foreignReference = "%ACTIVATE_TEST_FOREIGN%\\x";
    const std::string value = ownThroughVariable + ";" + foreignReference + ";C:\\foreign";
    const activate_test::EnvironmentChanges variables = {{"ACTIVATE_TEST_TOOL", toolDirectory},
                                                         {"ACTIVATE_TEST_FOREIGN", std::string("C:\\foreign-root")}};
};

TEST_F(ExpandableValueCommandTest, ActivateAndDeactivateKeepTheReferencesAndTheType) {
    using activate_test::StoredType;
    activate_test::EnvironmentChanges activate = variables;
    activate.push_back({"ACTIVATE_TEST_ANSWER", "yes"});
    const CommandOutcome activated = run("activate", value, activate, StoredType::expandable);
    EXPECT_EQ(activated.error, "");
    ASSERT_EQ(activated.boxes.size(), 2u);
    const std::string activatedValue = packageDirectory + ";" + foreignReference + ";C:\\foreign";
    EXPECT_EQ(activated.boxes[0], opening + activationHeader("13.0") + "\n\n" + removal(ownThroughVariable) + "\n" +
                                      prepend(packageDirectory) + "\n\n" + newValue + activatedValue);
    EXPECT_EQ(activate_test::rawUserExtensions(StoredType::expandable), std::optional<std::string>(activatedValue));

    const CommandOutcome deactivated = run("deactivate", value, activate, StoredType::expandable);
    EXPECT_EQ(deactivated.error, "");
    ASSERT_EQ(deactivated.boxes.size(), 2u);
    const std::string deactivatedValue = foreignReference + ";C:\\foreign";
    EXPECT_EQ(deactivated.boxes[0], opening + removal(ownThroughVariable) + "\n\n" + newValue + deactivatedValue);
    EXPECT_EQ(activate_test::rawUserExtensions(StoredType::expandable), std::optional<std::string>(deactivatedValue));
}

TEST_F(InstalledCommandTest, DecliningLeavesTheValue) {
    for (const char* operation : {"activate", "deactivate"}) {
        const CommandOutcome outcome = run(operation, packageDirectory + ";C:\\a", {{"ACTIVATE_TEST_ANSWER", "no"}});
        EXPECT_EQ(outcome.error, "");
        EXPECT_EQ(outcome.boxes.size(), 1u) << operation;
        EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>(packageDirectory + ";C:\\a"));
    }
}

TEST_F(InstalledCommandTest, ACommandWritesNothingWhenTheValueChangedWhileItAsked) {
    for (const char* operation : {"activate", "deactivate"}) {
        const CommandOutcome outcome = run(operation, packageDirectory + ";C:\\a",
                                           {{"ACTIVATE_TEST_ANSWER", "yes"}, {"ACTIVATE_TEST_MEANWHILE", "C:\\new;C:\\a"}});
        EXPECT_EQ(outcome.error, changedMeanwhile) << operation;
        EXPECT_EQ(outcome.boxes.size(), 1u);
        EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>("C:\\new;C:\\a"));
    }
}

TEST_F(CommandTest, AFailedPlanShowsNoBox) {
    tool.installLibrary("halcon-13.0", package, arch == "x64-win64" ? "x86sse2-win32" : "x64-win64");
    const CommandOutcome outcome = run("activate", std::string("C:\\a"), {{"ACTIVATE_TEST_ANSWER", "yes"}});
    EXPECT_EQ(outcome.error, "could not find an extension package in directory\n" + toolDirectory +
                                 "\\halcon-13.0\n.\nTry re-installing the extension package.");
    EXPECT_EQ(outcome.boxes.size(), 0u);
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>("C:\\a"));
}

// --- HDevelop launch ---------------------------------------------------------------

// A record the stand-in has just renamed into place may still be held open
// for a moment; it is read once it is free, not taken as empty.
TEST(HDevelopRecords, ARecordHeldOpenIsReadOnceItIsFree) {
    activate_test::ScratchDirectory records;
    records.writeFile("hdevelop-1.txt", "0\nC:\\pkg");
    const std::wstring record = activate_test::widen(records.pathOf("hdevelop-1.txt"));
    HANDLE held = CreateFileW(record.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] {
        Sleep(300);
        CloseHandle(held);
    });
    const Strings found = activate_test::waitForHDevelopRecords(records.path(), 1);
    release.join();
    EXPECT_EQ(found, Strings{"0\nC:\\pkg"});
}

class LaunchTest : public InstalledCommandTest {
protected:
    // Runs the launch with hdevelop.exe on the search path (or not) and the
    // tool's own HALCONEXTENSIONS set to a marker.
    CommandOutcome launch(const std::optional<std::string>& value, bool onSearchPath = true, int launches = 1) {
        const std::string path = activate_test::environmentVariable("PATH");
        return run("launch", value,
                   {{"PATH", onSearchPath ? fixtureProgramsFolder() + ";" + path : path},
                    {"HALCONEXTENSIONS", std::string("process-marker")},
                    {"ACTIVATE_TEST_HDEVELOP_RECORDS", records.path()},
                    {"ACTIVATE_TEST_LAUNCHES", std::to_string(launches)}});
    }

    activate_test::ScratchDirectory records;
};

TEST_F(LaunchTest, StartsHDevelopWithTheActivatedListAndLeavesTheUserValue) {
    const std::string otherVersion = toolDirectory + "\\halcon-12.0\\" + package;
    const std::string value = otherVersion + ";C:\\foreign;;" + packageDirectory;
    const CommandOutcome outcome = launch(value);
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.boxes.size(), 0u) << "nothing is asked";
    const std::string expected = packageDirectory + ";C:\\foreign;";
    EXPECT_EQ(outcome.processValue, expected);
    EXPECT_EQ(activate_test::waitForHDevelopRecords(records.path(), 1), Strings{"0\n" + expected});
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>(value));
}

TEST_F(LaunchTest, EveryLaunchStartsOneHDevelop) {
    const CommandOutcome outcome = launch(std::nullopt, true, 2);
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(activate_test::waitForHDevelopRecords(records.path(), 2), (Strings{"0\n" + packageDirectory, "0\n" + packageDirectory}));
    EXPECT_EQ(activate_test::rawUserExtensions(), std::nullopt);
}

TEST_F(LaunchTest, ReportsHDevelopMissingFromTheSearchPathWithoutTouchingTheEnvironment) {
    const CommandOutcome outcome = launch(std::string("C:\\a"), false);
    EXPECT_EQ(outcome.error, "could not find hdevelop.exe in the search path.");
    EXPECT_EQ(outcome.processValue, "process-marker");
    EXPECT_EQ(activate_test::waitForHDevelopRecords(records.path(), 0), Strings{});
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>("C:\\a"));
}

TEST_F(LaunchTest, ReportsAnHDevelopThatCannotBeStarted) {
    // Found first, beside the tool, but no program.
    tool.writeFile("hdevelop.exe", "not a program");
    const CommandOutcome outcome = launch(std::string("C:\\a"));
    EXPECT_EQ(outcome.error, "could not launch hdevelop.exe.");
    EXPECT_EQ(outcome.processValue, packageDirectory + ";C:\\a");
    EXPECT_EQ(activate_test::rawUserExtensions(), std::optional<std::string>("C:\\a"));
}

// A program's environment holds no references: HDevelop gets them expanded,
// and the user's value keeps them.
TEST_F(ExpandableValueCommandTest, LaunchHandsHDevelopTheExpandedList) {
    const activate_test::ScratchDirectory records;
    activate_test::EnvironmentChanges launch = variables;
    launch.push_back({"PATH", fixtureProgramsFolder() + ";" + activate_test::environmentVariable("PATH")});
    launch.push_back({"ACTIVATE_TEST_HDEVELOP_RECORDS", records.path()});
    const CommandOutcome outcome = run("launch", value, launch, activate_test::StoredType::expandable);
    EXPECT_EQ(outcome.error, "");
    const std::string expected = packageDirectory + ";C:\\foreign-root\\x;C:\\foreign";
    EXPECT_EQ(outcome.processValue, expected);
    EXPECT_EQ(activate_test::waitForHDevelopRecords(records.path(), 1), Strings{"0\n" + expected});
    EXPECT_EQ(activate_test::rawUserExtensions(activate_test::StoredType::expandable), std::optional<std::string>(value));
}

TEST_F(CommandTest, LaunchFailsWithThePlansMessageAndStartsNothing) {
    const activate_test::ScratchDirectory records;
    const std::string path = activate_test::environmentVariable("PATH");
    const CommandOutcome outcome = run("launch", std::string("C:\\a"),
                                       {{"PATH", fixtureProgramsFolder() + ";" + path},
                                        {"HALCONEXTENSIONS", std::string("process-marker")},
                                        {"ACTIVATE_TEST_HDEVELOP_RECORDS", records.path()}});
    EXPECT_EQ(outcome.error, "could not find directory\n" + toolDirectory +
                                 "\\halcon-13.0\n.\nMaybe your current HALCON version is not supported by this "
                                 "extension package. Otherwise, try re-installing the extension package.");
    EXPECT_EQ(outcome.processValue, "process-marker");
    EXPECT_EQ(activate_test::waitForHDevelopRecords(records.path(), 0), Strings{});
}

}  // namespace
