// HALCONEXTENSIONS as a list, the entries that are this package's, and the
// plans. Ownership follows the tool's own folder, so the plans run in a copy
// of this program placed in a scratch folder with a package layout beside it;
// the parent sets the user's value in the registry and checks what the copy
// reports.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "application.h"
#include "box_watcher.h"
#include "change_texts.h"
#include "child_process.h"
#include "extension_list.h"
#include "file_system.h"
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
const std::string otherArch = arch == "x64-win64" ? "x86sse2-win32" : "x64-win64";
const std::string package = "quorvane";
const std::string& title = activate_test::toolBoxTitle;

using activate_test::activationHeader;
using activate_test::prepend;
using activate_test::removal;

// --- spellings of the tool's folder ------------------------------------------

std::string withForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string inUpperCase(std::string path) {
    for (char& c : path) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return path;
}

std::string shortName(const std::string& path) {
    char shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("no short name for " + path);
    return std::string(shortPath, length);
}

// --- the copy's side ----------------------------------------------------------

struct GeneratedValue {
    std::optional<std::string> value;  // nullopt: the variable is absent
    Strings foreign;                   // the entries that are not the package's, in order
    std::size_t ownCount = 0;
};

// A HALCONEXTENSIONS value made of entries of this package (several
// versions, packages and spellings of the tool's folder) and foreign ones
// (empty, other folders, one level too high or too low, trailing
// separators, relative, non-ASCII), duplicates included.
GeneratedValue generateValue(std::mt19937& random, const std::string& toolDirectory) {
    const Strings spellings = {toolDirectory, withForwardSlashes(toolDirectory), inUpperCase(toolDirectory),
                               shortName(toolDirectory)};
    const Strings versions = {"halcon-13.0", "halcon-12.0", "halcon-18.11", "HALCON-13.0"};
    const Strings packages = {package, "other", "QUORVANE"};
    const Strings separators = {"\\", "/"};
    const auto pick = [&random](const Strings& choices) {
        return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(random)];
    };
    const auto foreignEntry = [&]() -> std::string {
        const std::string folder = pick(spellings);
        switch (std::uniform_int_distribution<int>(0, 9)(random)) {
            case 0: return "";
            case 1: return "C:\\elsewhere\\halcon-13.0\\" + package;
            case 2: return folder;
            case 3: return folder + "\\" + pick(versions);
            case 4: return folder + "\\halcon-13.0\\" + package + pick(separators);
            case 5: return folder + "\\halcon-13.0\\" + package + "\\bin";
            case 6: return "halcon-13.0\\" + package;
            case 7: return "relative\\halcon-13.0\\" + package;
            case 8: return "C:\\Gr\xC3\xBC\xC3\x9F" "e\\halcon-13.0\\" + package;
            default: return "Z:\\no such folder\\x\\y";
        }
    };

    GeneratedValue generated;
    const int count = std::uniform_int_distribution<int>(0, 8)(random);
    Strings entries;
    for (int i = 0; i < count; ++i) {
        if (std::bernoulli_distribution(0.4)(random)) {
            const std::string separator = pick(separators);
            entries.push_back(pick(spellings) + separator + pick(versions) + separator + pick(packages));
            ++generated.ownCount;
        } else {
            entries.push_back(foreignEntry());
            generated.foreign.push_back(entries.back());
        }
    }
    if (count == 0 && std::bernoulli_distribution(0.5)(random)) return generated;  // absent
    std::string value;
    for (std::size_t i = 0; i < entries.size(); ++i) value += (i ? ";" : "") + entries[i];
    generated.value = value;
    // An empty value holds no entries at all.
    if (value.empty()) generated.foreign.clear();
    return generated;
}

std::string describe(const Strings& list) {
    std::string text;
    for (const auto& entry : list) text += "[" + entry + "]";
    return text;
}

// Activate then Deactivate, as confirmed writes of their values, for many
// generated values; stops at the first value that goes wrong.
void activateThenDeactivate(const activate::ToolState& state, activate_test::Records& records) {
    const std::uint32_t seed = static_cast<std::uint32_t>(std::stoul(activate_test::environmentVariable("ACTIVATE_TEST_SEED")));
    const int iterations = std::stoi(activate_test::environmentVariable("ACTIVATE_TEST_ITERATIONS"));
    std::mt19937 random(seed);
    const std::string toolDirectory = activate::applicationDirectory();
    const std::string packageDirectory = toolDirectory + "\\halcon-13.0\\" + package;
    int done = 0;
    for (; done < iterations; ++done) {
        const GeneratedValue generated = generateValue(random, toolDirectory);
        activate_test::setRawUserExtensions(generated.value);
        std::string problem;

        activate::ChangeLines activationLines;
        const activate::ExtensionList activated = activate::planActivation(state, activationLines);
        Strings expectedActivated{packageDirectory};
        expectedActivated.insert(expectedActivated.end(), generated.foreign.begin(), generated.foreign.end());
        if (activated != expectedActivated) problem += " activated to " + describe(activated) + ";";
        if (activationLines.size() != generated.ownCount + 3) problem += " activation lines " + describe(activationLines) + ";";

        activate_test::setRawUserExtensions(activate::joinExtensionList(activated));
        activate::ChangeLines deactivationLines;
        const activate::ExtensionList deactivated = activate::planDeactivation(state, deactivationLines);
        if (deactivated != generated.foreign) problem += " deactivated to " + describe(deactivated) + ";";
        if (deactivationLines != Strings{removal(packageDirectory)}) {
            problem += " deactivation lines " + describe(deactivationLines) + ";";
        }
        if (!problem.empty()) {
            records["failure"] = "value " + (generated.value ? "[" + *generated.value + "]" : "absent") +
                                 " (iteration " + std::to_string(done) + "):" + problem;
            break;
        }
    }
    records["iterations"] = std::to_string(done);
}

TEST(ChildProcess, DISABLED_RunPlan) {
    activate_test::Records records;
    activate_test::BoxWatcher boxes(title, std::vector<int>{});
    const std::string operation = activate_test::environmentVariable("ACTIVATE_TEST_OPERATION");
    try {
        const activate::ToolState state = activate::ToolState::build();
        activate::ChangeLines lines;
        if (operation == "activate") {
            activate_test::storeList(records, "list", activate::planActivation(state, lines));
        } else if (operation == "deactivate") {
            activate_test::storeList(records, "list", activate::planDeactivation(state, lines));
        } else if (operation == "reset") {
            activate_test::storeList(records, "list", activate::planResetAll(lines));
        } else if (operation == "isActive") {
            records["active"] = activate::isActive(state) ? "yes" : "no";
        } else if (operation == "belongs") {
            const activate::UserEnvironmentValue current = activate::readExtensionsValue();
            const activate::ExtensionList list = activate::splitExtensionValue(current.text);
            activate_test::storeList(records, "list", list);
            Strings answers;
            for (const auto& entry : list) {
                answers.push_back(activate::belongsToPackage(state, entry, current.expandable) ? "yes" : "no");
            }
            activate_test::storeList(records, "belongs", answers);
        } else if (operation == "property") {
            activateThenDeactivate(state, records);
        } else {
            records["error"] = "unknown operation " + operation;
        }
        activate_test::storeList(records, "lines", lines);
    } catch (const std::exception& error) {
        records["error"] = error.what();
        records["isRuntimeError"] = dynamic_cast<const std::runtime_error*>(&error) ? "yes" : "no";
    }
    records["boxCount"] = std::to_string(boxes.stop().size());
    activate_test::writeChildRecords(records);
}

// --- the parent's side --------------------------------------------------------

struct PlanOutcome {
    Strings lines;
    Strings list;
    Strings belongs;
    std::string active;
    std::string error;
    std::string isRuntimeError;
    activate_test::Records records;
};

class PlanTest : public ::testing::Test {
protected:
    // The tool in a scratch folder, or in `existingFolder` when given.
    explicit PlanTest(const std::string& existingFolder = "")
        : tool(package, existingFolder),
          toolDirectory(tool.path()),
          packageDirectory(tool.pathOf("halcon-13.0\\" + package)) {}

    // Sets the user's value (absent for nullopt) and runs the operation in
    // the tool's copy.
    PlanOutcome run(const std::string& operation, const std::optional<std::string>& value,
                    activate_test::EnvironmentChanges extra = {}) {
        activate_test::setRawUserExtensions(value);
        return runWithCurrentValue(operation, std::move(extra));
    }

    PlanOutcome runWithCurrentValue(const std::string& operation, activate_test::EnvironmentChanges extra = {}) {
        extra.push_back({"ACTIVATE_TEST_OPERATION", operation});
        const auto outcome = tool.run("DISABLED_RunPlan", extra);
        EXPECT_EQ(outcome.exitCode, 0u);
        EXPECT_EQ(record(outcome.records, "boxCount"), "0") << "a plan shows nothing";
        PlanOutcome plan;
        plan.lines = loadList(outcome.records, "lines");
        plan.list = loadList(outcome.records, "list");
        plan.belongs = loadList(outcome.records, "belongs");
        plan.active = record(outcome.records, "active");
        plan.error = record(outcome.records, "error");
        plan.isRuntimeError = record(outcome.records, "isRuntimeError");
        plan.records = outcome.records;
        return plan;
    }

    void expectFailure(const PlanOutcome& plan, const std::string& text) {
        EXPECT_EQ(plan.error, text);
        EXPECT_EQ(plan.isRuntimeError, "yes");
    }

    std::string own(const std::string& folder, const std::string& version, const std::string& name) const {
        return folder + "\\" + version + "\\" + name;
    }

    activate_test::UserExtensionsRestorer restorer;
    ToolFolder tool;
    const std::string toolDirectory;
    const std::string packageDirectory;
};

// With the package installed for 13.0 and this build's architecture.
class InstalledPlanTest : public PlanTest {
protected:
    InstalledPlanTest() { tool.installLibrary("halcon-13.0", package, arch); }
};

const std::string unreadableValueError =
    "Getting registry key HKEY_CURRENT_USER\\Environment\\HALCONEXTENSIONS failed: Cannot get size of string value: "
    "RegGetValue failed.";

TEST_F(InstalledPlanTest, EntriesBelongWhenTwoLevelsBelowTheToolsFolderOnDisk) {
    const std::string shortFolder = shortName(toolDirectory);
    ASSERT_NE(inUpperCase(shortFolder), inUpperCase(toolDirectory)) << "the scratch folder needs a long name";
    struct Case {
        std::string entry;
        bool belongs;
    };
    const Case cases[] = {
        {packageDirectory, true},
        {own(toolDirectory, "halcon-12.0", package), true},       // another HALCON version
        {own(toolDirectory, "halcon-13.0", "other"), true},       // another package beside the tool
        {own(toolDirectory, "no-version", "anything"), true},     // any names two levels below
        {own(withForwardSlashes(toolDirectory), "halcon-13.0", package), true},
        {withForwardSlashes(packageDirectory), true},
        {own(inUpperCase(toolDirectory), "HALCON-13.0", "QUORVANE"), true},
        {own(shortFolder, "halcon-13.0", package), true},
        {packageDirectory + "\\", false},                         // trailing separator: one level lower
        {packageDirectory + "/", false},
        {toolDirectory + "\\halcon-13.0", false},                 // one level only
        {toolDirectory, false},
        {packageDirectory + "\\bin", false},                      // three levels
        {"", false},
        {"halcon-13.0\\" + package, false},                       // relative, empty grandparent
        {"Z:\\no such folder\\halcon-13.0\\" + package, false},   // grandparent missing
        {"C:\\Gr\xC3\xBC\xC3\x9F" "e\\halcon-13.0\\" + package, false},
    };
    std::string value;
    Strings expectedList;
    Strings expectedBelongs;
    for (const Case& c : cases) {
        value += (value.empty() && expectedList.empty() ? "" : ";") + c.entry;
        expectedList.push_back(c.entry);
        expectedBelongs.push_back(c.belongs ? "yes" : "no");
    }
    const PlanOutcome plan = run("belongs", value);
    ASSERT_EQ(plan.error, "");
    EXPECT_EQ(plan.list, expectedList);
    ASSERT_EQ(plan.belongs.size(), expectedBelongs.size());
    for (std::size_t i = 0; i < expectedBelongs.size(); ++i) {
        EXPECT_EQ(plan.belongs[i], expectedBelongs[i]) << "entry [" << expectedList[i] << "]";
    }
}

TEST_F(InstalledPlanTest, ReadsTheValueSplitAtEverySeparatorWithoutMerging) {
    struct Case {
        std::optional<std::string> value;
        Strings list;
    };
    const Case cases[] = {
        {std::nullopt, {}},
        {"", {}},
        {";", {"", ""}},
        {"a;;b;", {"a", "", "b", ""}},
        {" a ; b", {" a ", " b"}},
        {"C:\\Gr\xC3\xBC\xC3\x9F" "e", {"C:\\Gr\xC3\xBC\xC3\x9F" "e"}},
    };
    for (const Case& c : cases) {
        const PlanOutcome plan = run("belongs", c.value);
        EXPECT_EQ(plan.error, "");
        EXPECT_EQ(plan.list, c.list) << (c.value ? *c.value : "absent");
    }
}

TEST_F(InstalledPlanTest, IsActiveWhenAnEntryOfTheValueBelongs) {
    struct Case {
        std::optional<std::string> value;
        const char* active;
    };
    const Case cases[] = {
        {std::nullopt, "no"},
        {";", "no"},
        {"C:\\elsewhere\\halcon-13.0\\" + package, "no"},
        {packageDirectory + "\\", "no"},
        {"C:\\x;" + own(toolDirectory, "halcon-12.0", package), "yes"},
        {withForwardSlashes(packageDirectory) + ";", "yes"},
    };
    for (const Case& c : cases) {
        const PlanOutcome plan = run("isActive", c.value);
        EXPECT_EQ(plan.error, "");
        EXPECT_EQ(plan.active, c.active) << (c.value ? *c.value : "absent");
    }
}

TEST_F(InstalledPlanTest, ActivatePutsThePackageDirectoryFirstAfterRemovingTheOwnEntries) {
    const std::string otherVersion = own(toolDirectory, "halcon-12.0", package);
    const std::string otherPackage = own(toolDirectory, "halcon-13.0", "other");
    const std::string slashes = own(withForwardSlashes(toolDirectory), "halcon-13.0", package);
    const std::string upper = inUpperCase(packageDirectory);
    const std::string shortSpelling = own(shortName(toolDirectory), "halcon-13.0", package);
    const std::string trailing = packageDirectory + "\\";
    const std::string nonAscii = "C:\\Gr\xC3\xBC\xC3\x9F" "e\\halcon-13.0\\" + package;
    struct Case {
        std::optional<std::string> value;
        Strings removed;  // in list order
        Strings kept;     // after the package directory
    };
    const Case cases[] = {
        {std::nullopt, {}, {}},
        {"", {}, {}},
        {";", {}, {"", ""}},
        {"C:\\other;;D:\\more", {}, {"C:\\other", "", "D:\\more"}},
        {packageDirectory, {packageDirectory}, {}},
        {packageDirectory + ";C:\\foreign", {packageDirectory}, {"C:\\foreign"}},  // already first: list unchanged
        {"C:\\a;" + packageDirectory + ";C:\\b;" + packageDirectory, {packageDirectory, packageDirectory},
         {"C:\\a", "C:\\b"}},
        {otherVersion + ";C:\\x", {otherVersion}, {"C:\\x"}},
        {otherPackage, {otherPackage}, {}},
        {slashes + ";" + upper + ";" + shortSpelling, {slashes, upper, shortSpelling}, {}},
        {trailing, {}, {trailing}},
        {nonAscii + ";" + otherVersion, {otherVersion}, {nonAscii}},
    };
    for (const Case& c : cases) {
        const PlanOutcome plan = run("activate", c.value);
        ASSERT_EQ(plan.error, "") << (c.value ? *c.value : "absent");
        Strings lines{activationHeader("13.0"), ""};
        for (const auto& entry : c.removed) lines.push_back(removal(entry));
        lines.push_back(prepend(packageDirectory));
        EXPECT_EQ(plan.lines, lines) << (c.value ? *c.value : "absent");
        Strings list{packageDirectory};
        list.insert(list.end(), c.kept.begin(), c.kept.end());
        EXPECT_EQ(plan.list, list) << (c.value ? *c.value : "absent");
    }
}

TEST_F(PlanTest, ActivateTakesTheVersionOfTheDetectedHalcon) {
    tool.installLibrary("halcon-18.11", package, arch);
    activate_test::setRawUserExtensions(packageDirectory);
    const auto outcome = tool.run("DISABLED_RunPlan", {{"ACTIVATE_TEST_OPERATION", "activate"}}, "halconxl-18.11");
    const std::string entry = toolDirectory + "\\halcon-18.11\\" + package;
    ASSERT_EQ(record(outcome.records, "error"), "");
    EXPECT_EQ(loadList(outcome.records, "lines"),
              (Strings{activationHeader("18.11"), "", removal(packageDirectory), prepend(entry)}));
    EXPECT_EQ(loadList(outcome.records, "list"), Strings{entry});
}

TEST_F(PlanTest, ActivateFailsWithoutTheVersionDirectory) {
    const std::string message = "could not find directory\n" + toolDirectory +
                                "\\halcon-13.0\n.\nMaybe your current HALCON version is not supported by this "
                                "extension package. Otherwise, try re-installing the extension package.";
    tool.installLibrary("halcon-12.0", package, arch);
    expectFailure(run("activate", packageDirectory), message);

    tool.writeFile("halcon-13.0", "a file, not a folder");
    expectFailure(run("activate", std::nullopt), message);
}

TEST_F(PlanTest, ActivateFailsWithoutTheLibraryForTheDetectedArchitecture) {
    const std::string message = "could not find an extension package in directory\n" + toolDirectory +
                                "\\halcon-13.0\n.\nTry re-installing the extension package.";
    tool.makeDirectory("halcon-13.0\\" + package);
    expectFailure(run("activate", std::nullopt), message);

    tool.installLibrary("halcon-13.0", package, otherArch);
    expectFailure(run("activate", std::nullopt), message);

    // A folder of the library's name is no library.
    tool.makeDirectory("halcon-13.0\\" + package + "\\bin\\" + arch + "\\" + package + ".dll");
    expectFailure(run("activate", std::nullopt), message);
}

TEST_F(PlanTest, ActivateReadsTheValueBeforeItLooksAtTheInstallation) {
    activate_test::setUnreadableUserExtensions();
    expectFailure(runWithCurrentValue("activate"), unreadableValueError);
}

TEST_F(InstalledPlanTest, ReadingFailuresReachTheCaller) {
    for (const char* operation : {"activate", "deactivate", "isActive", "belongs"}) {
        activate_test::setUnreadableUserExtensions();
        expectFailure(runWithCurrentValue(operation), unreadableValueError);
    }
}

TEST_F(InstalledPlanTest, DeactivateRemovesTheOwnEntriesOnly) {
    const std::string otherVersion = own(toolDirectory, "halcon-12.0", package);
    const std::string otherPackage = own(withForwardSlashes(toolDirectory), "halcon-13.0", "other");
    struct Case {
        std::optional<std::string> value;
        Strings removed;
        Strings kept;
    };
    const Case cases[] = {
        {std::nullopt, {}, {}},
        {";", {}, {"", ""}},
        {"C:\\a;;" + packageDirectory + "\\", {}, {"C:\\a", "", packageDirectory + "\\"}},
        {packageDirectory + ";", {packageDirectory}, {""}},
        {otherVersion + ";C:\\a;" + otherPackage + ";C:\\b;" + packageDirectory, {otherVersion, otherPackage, packageDirectory},
         {"C:\\a", "C:\\b"}},
    };
    for (const Case& c : cases) {
        const PlanOutcome plan = run("deactivate", c.value);
        ASSERT_EQ(plan.error, "");
        Strings lines;
        for (const auto& entry : c.removed) lines.push_back(removal(entry));
        EXPECT_EQ(plan.lines, lines) << (c.value ? *c.value : "absent");
        EXPECT_EQ(plan.list, c.kept) << (c.value ? *c.value : "absent");
    }
}

TEST_F(PlanTest, DeactivateNeedsNoInstallation) {
    const PlanOutcome plan = run("deactivate", packageDirectory + ";C:\\a");
    ASSERT_EQ(plan.error, "");
    EXPECT_EQ(plan.lines, Strings{removal(packageDirectory)});
    EXPECT_EQ(plan.list, Strings{"C:\\a"});
}

TEST_F(PlanTest, ResetAllPlansNoEntriesWithoutReadingTheValue) {
    const Strings lines = {
        "Deactivate ALL Extension Packages for the current user? Afterwards, this extension package as well as other "
        "extension packages will no longer work. To activate extension packages again, you will have to add them to "
        "the environment variable HALCONEXTENSIONS, either manually or with the Activation Tool.",
        ""};
    ASSERT_EQ(lines[0].size(), 302u);
    activate_test::setUnreadableUserExtensions();
    const PlanOutcome unreadable = runWithCurrentValue("reset");
    EXPECT_EQ(unreadable.error, "");
    EXPECT_EQ(unreadable.lines, lines);
    EXPECT_EQ(unreadable.list, Strings{});
    EXPECT_EQ(unreadable.records.count("list.count"), 1u);

    const PlanOutcome present = run("reset", packageDirectory + ";C:\\a");
    EXPECT_EQ(present.lines, lines);
    EXPECT_EQ(present.list, Strings{});
}

TEST_F(InstalledPlanTest, ActivateThenDeactivateKeepsEveryForeignEntryInItsOrder) {
    const std::string seedText = activate_test::environmentVariable("ACTIVATE_TEST_SEED");
    const std::uint32_t seed = seedText.empty() ? std::random_device{}() : static_cast<std::uint32_t>(std::stoul(seedText));
    const int iterations = 300;
    const PlanOutcome plan = run("property", std::nullopt,
                                 {{"ACTIVATE_TEST_SEED", std::to_string(seed)},
                                  {"ACTIVATE_TEST_ITERATIONS", std::to_string(iterations)}});
    EXPECT_EQ(plan.error, "") << "seed " << seed;
    EXPECT_EQ(record(plan.records, "failure"), "") << "seed " << seed << " (set ACTIVATE_TEST_SEED to repeat)";
    EXPECT_EQ(record(plan.records, "iterations"), std::to_string(iterations)) << "seed " << seed;
}

// --- values with %VARIABLE% references -------------------------------------------

// Windows expands the references of a REG_EXPAND_SZ value only for a
// program's environment, and those of a REG_SZ value never. The plans test
// ownership as Windows would see the entry and keep every entry as written.
TEST_F(InstalledPlanTest, EntriesOfAnExpandableValueAreExpandedForTheOwnershipTestOnly) {
    using activate_test::StoredType;
    const std::string ownThroughVariable = "%ACTIVATE_TEST_TOOL%\\halcon-12.0\\" + package;
    const std::string foreignReference = "%SystemRoot%\\pkgs\\x";
    const std::string value = foreignReference + ";" + ownThroughVariable + ";C:\\foreign";
    const activate_test::EnvironmentChanges toolVariable = {{"ACTIVATE_TEST_TOOL", toolDirectory}};
    const auto runOn = [&](const std::string& operation, StoredType type) {
        activate_test::setRawUserExtensions(value, type);
        return runWithCurrentValue(operation, toolVariable);
    };

    EXPECT_EQ(runOn("belongs", StoredType::expandable).belongs, (Strings{"no", "yes", "no"}));
    EXPECT_EQ(runOn("isActive", StoredType::expandable).active, "yes");
    const PlanOutcome activated = runOn("activate", StoredType::expandable);
    EXPECT_EQ(activated.lines,
              (Strings{activationHeader("13.0"), "", removal(ownThroughVariable), prepend(packageDirectory)}));
    EXPECT_EQ(activated.list, (Strings{packageDirectory, foreignReference, "C:\\foreign"}));
    const PlanOutcome deactivated = runOn("deactivate", StoredType::expandable);
    EXPECT_EQ(deactivated.lines, Strings{removal(ownThroughVariable)});
    EXPECT_EQ(deactivated.list, (Strings{foreignReference, "C:\\foreign"}));

    // In a REG_SZ value the reference is plain text: no folder of the package.
    EXPECT_EQ(runOn("belongs", StoredType::plain).belongs, (Strings{"no", "no", "no"}));
    EXPECT_EQ(runOn("isActive", StoredType::plain).active, "no");
    const PlanOutcome plain = runOn("activate", StoredType::plain);
    EXPECT_EQ(plain.lines, (Strings{activationHeader("13.0"), "", prepend(packageDirectory)}));
    EXPECT_EQ(plain.list, (Strings{packageDirectory, foreignReference, ownThroughVariable, "C:\\foreign"}));
}

// --- the tool at a drive's root ---------------------------------------------------

// The test run maps a drive letter to an empty folder, so that the tool can
// sit at the root as in a package unpacked onto a stick or a mapped drive.
// The path library gives a root as its own parent, which must not make the
// entries right below the root this package's.
class DriveRootPlanTest : public PlanTest {
protected:
    DriveRootPlanTest() : PlanTest(driveRoot()) { tool.installLibrary("halcon-13.0", package, arch); }

    static std::string driveRoot() {
        const std::string root = std::string(ACTIVATE_TEST_DRIVE_LETTER) + ":\\";
        const DWORD attributes = GetFileAttributesA(root.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            throw std::runtime_error("the test run has not mapped the drive " + root);
        }
        return root;
    }

    const std::string root = driveRoot();
    const std::string ownEntry = root + "halcon-13.0\\" + package;
    const Strings foreign = {root + "MyExtensions", root + "foo", root, root + "halcon-13.0"};
};

TEST_F(DriveRootPlanTest, OnlyEntriesTwoLevelsBelowTheRootBelong) {
    ASSERT_EQ(toolDirectory, root);
    ASSERT_EQ(packageDirectory, ownEntry);
    const std::string otherVersion = root + "halcon-12.0\\other";
    const PlanOutcome plan = run("belongs", foreign[0] + ";" + ownEntry + ";" + foreign[1] + ";" + foreign[2] + ";" +
                                                foreign[3] + ";" + otherVersion);
    ASSERT_EQ(plan.error, "");
    EXPECT_EQ(plan.list, (Strings{foreign[0], ownEntry, foreign[1], foreign[2], foreign[3], otherVersion}));
    EXPECT_EQ(plan.belongs, (Strings{"no", "yes", "no", "no", "no", "yes"}));
}

TEST_F(DriveRootPlanTest, IsActiveOnlyWithAnOwnEntry) {
    const std::string foreignOnly = foreign[0] + ";" + foreign[1] + ";" + foreign[2] + ";" + foreign[3];
    EXPECT_EQ(run("isActive", foreignOnly).active, "no");
    EXPECT_EQ(run("isActive", foreignOnly + ";" + ownEntry).active, "yes");
}

TEST_F(DriveRootPlanTest, ActivateAndDeactivateKeepTheEntriesRightBelowTheRoot) {
    const std::string value = foreign[0] + ";" + ownEntry + ";" + foreign[1] + ";" + foreign[2] + ";" + foreign[3];
    const PlanOutcome activated = run("activate", value);
    ASSERT_EQ(activated.error, "");
    EXPECT_EQ(activated.lines, (Strings{activationHeader("13.0"), "", removal(ownEntry), prepend(ownEntry)}));
    Strings expected{ownEntry};
    expected.insert(expected.end(), foreign.begin(), foreign.end());
    EXPECT_EQ(activated.list, expected);

    const PlanOutcome deactivated = run("deactivate", value);
    ASSERT_EQ(deactivated.error, "");
    EXPECT_EQ(deactivated.lines, Strings{removal(ownEntry)});
    EXPECT_EQ(deactivated.list, foreign);
}

// --- file identity --------------------------------------------------------------

TEST(FileIdentity, SamePathsOnDiskMatchHoweverTheyAreWritten) {
    const activate_test::ScratchDirectory folder;
    const activate_test::ScratchDirectory otherFolder;
    folder.writeFile("file.txt", "x");
    const auto path = [](const std::string& text) { return activate::pathFromNarrow(text); };
    const std::string dir = folder.path();
    EXPECT_TRUE(activate::sameFileSystemObject(path(dir + "\\"), path(dir)));
    EXPECT_TRUE(activate::sameFileSystemObject(path(dir), path(dir + "\\")));
    EXPECT_TRUE(activate::sameFileSystemObject(path(withForwardSlashes(dir) + "/"), path(inUpperCase(dir))));
    EXPECT_TRUE(activate::sameFileSystemObject(path(shortName(dir)), path(dir)));
    EXPECT_TRUE(activate::sameFileSystemObject(path(dir + "\\file.txt"), path(inUpperCase(dir) + "\\FILE.TXT")));
    EXPECT_TRUE(activate::sameFileSystemObject(path(dir + "\\sub\\..\\file.txt"), path(dir + "\\file.txt")));
    EXPECT_FALSE(activate::sameFileSystemObject(path(dir), path(otherFolder.path())));
    EXPECT_FALSE(activate::sameFileSystemObject(path(dir), path(dir + "\\file.txt")));
    EXPECT_FALSE(activate::sameFileSystemObject(path(dir + "\\missing"), path(dir)));
    EXPECT_FALSE(activate::sameFileSystemObject(path(""), path(dir)));
    EXPECT_THROW(activate::sameFileSystemObject(path(dir + "\\missing"), path(dir + "\\gone")),
                 std::filesystem::filesystem_error);
}

}  // namespace
