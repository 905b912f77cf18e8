// The tool state: its title and warning box, its own directory, and the
// building of the state from a fixture installation and a description file.
// Building reads the file beside the executable, so those cases run a copy of
// this program placed in a folder of its own, with the case's file beside it.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "application.h"
#include "box_watcher.h"
#include "child_process.h"
#include "test_paths.h"
#include "tool_state.h"
#include "window_driver.h"

namespace {

using activate_test::installationFixture;

const std::string arch = HALCON_ARCH_NAME;
const std::string title = "Activation Tool for Extension Package";
const std::string descriptionFile = "quellmark-solutions-extpack.json";

// --- title, warning box, directory ------------------------------------------

TEST(WarningBox, ShowsTheTextUnderTheToolTitleWithAWarningIcon) {
    EXPECT_EQ(activate::toolTitle(), title);

    HWND owner = reinterpret_cast<HWND>(1);
    window_driver::dialog_answerer answerer(title, [&owner](const window_driver::dialog_snapshot&) {
        owner = GetWindow(window_driver::find_dialog(title), GW_OWNER);
        return IDOK;
    });
    activate::showWarning("first line\nsecond line.");
    const auto& seen = answerer.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "first line\nsecond line.");
    ASSERT_EQ(seen.buttons.size(), 1u);
    EXPECT_EQ(seen.buttons[0].id, IDOK);
    EXPECT_EQ(seen.icon, LoadIcon(nullptr, IDI_WARNING));
    EXPECT_EQ(owner, nullptr);
}

TEST(ApplicationDirectory, IsTheFolderOfTheExecutable) {
    const std::string directory = activate::applicationDirectory();
    EXPECT_EQ(directory, activate_test::programDirectory());
    EXPECT_EQ(activate::applicationDirectory(), directory);
    EXPECT_EQ(activate::packageDescriptionPath(), directory + "\\" + descriptionFile);
}

// --- building the state in a child ------------------------------------------

TEST(ChildProcess, DISABLED_BuildToolState) {
    activate_test::Records records;
    // Closes every warning box of the tool and notes what each showed.
    activate_test::BoxWatcher watcher(title, std::vector<int>{});
    try {
        const activate::ToolState state = activate::ToolState::build();
        records["major"] = std::to_string(state.major);
        records["minor"] = std::to_string(state.minor);
        records["name"] = state.name;
        records["description"] = state.descriptionText();
        records["version"] = state.version;
        records["supportedCount"] = std::to_string(state.supportedHalconVersions.size());
        for (std::size_t i = 0; i < state.supportedHalconVersions.size(); ++i) {
            records["supported" + std::to_string(i)] = state.supportedHalconVersions[i];
        }
    } catch (const std::exception& error) {
        records["errorType"] = typeid(error) == typeid(std::runtime_error) ? "std::runtime_error" : typeid(error).name();
        records["error"] = error.what();
    }
    const auto& boxes = watcher.stop();
    records["boxCount"] = std::to_string(boxes.size());
    if (!boxes.empty()) {
        const auto& box = boxes.front();
        records["boxText"] = box.text;
        records["boxButtonIsOk"] = box.buttons.size() == 1 && box.buttons[0].id == IDOK ? "yes" : "no";
        records["boxIconIsWarning"] = box.icon == LoadIcon(nullptr, IDI_WARNING) ? "yes" : "no";
        records["boxOwnerless"] = watcher.ownerless() ? "yes" : "no";
    }
    records["applicationDirectory"] = activate::applicationDirectory();
    activate_test::writeChildRecords(records);
}

struct BuiltState {
    std::string toolDirectory;  // where the copy of the program ran
    bool succeeded = false;
    std::int32_t major = 0, minor = 0;
    std::string name, description, version;
    std::vector<std::string> supported;
    std::string errorType, error;
    int boxCount = 0;
    std::string boxText;
    activate_test::Records boxDetails;
};

// What the tool's folder holds besides the tool.
using FolderSetup = std::function<void(const activate_test::ScratchDirectory&)>;

FolderSetup withFile(const std::string& content) {
    return [content](const activate_test::ScratchDirectory& folder) { folder.writeFile(descriptionFile, content); };
}

// Builds the state in a copy of this program in a folder prepared by `setup`,
// with HALCONROOT set to the fixture installation (unset when nullopt).
BuiltState buildInChild(const FolderSetup& setup,
                        const std::optional<std::string>& installation = std::string("halcon-13.0")) {
    const activate_test::ScratchDirectory folder;
    const std::wstring copy = activate_test::widen(folder.path() + "\\tool.exe");
    EXPECT_TRUE(CopyFileW(activate_test::programPath().c_str(), copy.c_str(), TRUE)) << GetLastError();
    setup(folder);

    std::optional<std::string> root;
    if (installation) root = installationFixture(*installation);
    const auto outcome =
        activate_test::runChildTest(copy, "DISABLED_BuildToolState", {{"HALCONROOT", root}, {"HALCONARCH", arch}});
    EXPECT_EQ(outcome.exitCode, 0u);
    const auto& records = outcome.records;
    const auto get = [&records](const std::string& key) {
        const auto found = records.find(key);
        return found == records.end() ? std::string() : found->second;
    };

    BuiltState state;
    state.toolDirectory = folder.path();
    EXPECT_EQ(get("applicationDirectory"), folder.path());
    state.succeeded = records.count("name") != 0;
    if (state.succeeded) {
        state.major = std::stoi(get("major"));
        state.minor = std::stoi(get("minor"));
        state.name = get("name");
        state.description = get("description");
        state.version = get("version");
        for (int i = 0, n = std::stoi(get("supportedCount")); i < n; ++i) {
            state.supported.push_back(get("supported" + std::to_string(i)));
        }
    } else {
        state.errorType = get("errorType");
        state.error = get("error");
    }
    state.boxCount = records.count("boxCount") ? std::stoi(get("boxCount")) : -1;
    state.boxText = get("boxText");
    for (const char* key : {"boxButtonIsOk", "boxIconIsWarning", "boxOwnerless"}) {
        state.boxDetails[key] = get(key);
    }
    return state;
}

std::string descriptionWith(const std::string& supportedVersions) {
    return R"({"name": "quorvane", "description": "Desktop notifications", "version": "1.0.0", )"
           R"("supportedHalconVersions": )" +
           supportedVersions + "}";
}

void expectFailure(const BuiltState& state, const std::string& text) {
    EXPECT_FALSE(state.succeeded);
    EXPECT_EQ(state.errorType, "std::runtime_error");
    EXPECT_EQ(state.error, text);
    EXPECT_EQ(state.boxCount, 0);
}

std::string pathIn(const BuiltState& state) { return state.toolDirectory + "\\" + descriptionFile; }

TEST(PackageDescription, ReadsTheFourEntriesAsUtf8AndIgnoresOtherKeys) {
    const BuiltState state = buildInChild(withFile(
        R"({"version": "2.1.0-beta", "extra": [1, {"x": null}], "name": "quorvane",)"
        R"( "description": "Mitteilungen f\u00fcr \"HALCON\"", "supportedHalconVersions": ["12.0", "13.0", ""]})"));
    ASSERT_TRUE(state.succeeded) << state.error;
    EXPECT_EQ(state.major, 13);
    EXPECT_EQ(state.minor, 0);
    EXPECT_EQ(state.name, "quorvane");
    EXPECT_EQ(state.description, "Mitteilungen f\xC3\xBCr \"HALCON\"");
    EXPECT_EQ(state.version, "2.1.0-beta");
    EXPECT_EQ(state.supported, (std::vector<std::string>{"12.0", "13.0", ""}));
    EXPECT_EQ(state.boxCount, 0);
}

TEST(PackageDescription, SkipsAByteOrderMarkAndIgnoresTextAfterTheFirstValue) {
    const std::string valid = descriptionWith(R"(["13.0"])");
    const std::string cases[] = {
        "\xEF\xBB\xBF" + valid,
        valid + "\n{ this is not read",
        valid + valid,
    };
    for (const std::string& content : cases) {
        const BuiltState state = buildInChild(withFile(content));
        ASSERT_TRUE(state.succeeded) << state.error;
        EXPECT_EQ(state.name, "quorvane");
        EXPECT_EQ(state.supported, std::vector<std::string>{"13.0"});
    }
}

TEST(PackageDescription, ReportsAFileThatCannotBeOpened) {
    const FolderSetup cases[] = {
        [](const activate_test::ScratchDirectory&) {},  // no file
        [](const activate_test::ScratchDirectory& folder) {
            ASSERT_TRUE(CreateDirectoryA((folder.path() + "\\" + descriptionFile).c_str(), nullptr));
        },
    };
    for (const FolderSetup& setup : cases) {
        const BuiltState state = buildInChild(setup);
        expectFailure(state, "could not find or open package description file\n" + pathIn(state) +
                                 "\n.\nPlease try to reinstall the extension package.");
    }
}

TEST(PackageDescription, ReportsContentThatIsNotOneJsonValueWithTheParsersMessage) {
    struct Case {
        std::string content;
        std::string message;
    };
    const Case cases[] = {
        {"",
         "[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while parsing value - "
         "unexpected end of input; expected '[', '{', or a literal"},
        {"not json",
         "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error while parsing value - "
         "invalid literal; last read: 'no'"},
        {"{\"name\": \"qu\xFForvane\"}",
         "[json.exception.parse_error.101] parse error at line 1, column 13: syntax error while parsing value - "
         "invalid string: ill-formed UTF-8 byte; last read: '\"qu\xFF'"},
    };
    for (const Case& c : cases) {
        const BuiltState state = buildInChild(withFile(c.content));
        expectFailure(state, "could not parse package description file\n" + pathIn(state) + "\n.\n" + c.message +
                                 "\n\nPlease try to reinstall the extension package.");
    }
}

// The file is read as a text stream: the C runtime's text mode ends the text
// at a Ctrl-Z, so whatever follows one is never seen.
TEST(PackageDescription, IsReadAsTextThatEndsAtACtrlZ) {
    const std::string valid = descriptionWith(R"(["13.0"])");
    const BuiltState accepted = buildInChild(withFile(valid + "\x1A{ not read"));
    ASSERT_TRUE(accepted.succeeded) << accepted.error;
    EXPECT_EQ(accepted.name, "quorvane");

    const BuiltState cut = buildInChild(withFile("\x1A" + valid));
    expectFailure(cut, "could not parse package description file\n" + pathIn(cut) +
                           "\n.\n[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while "
                           "parsing value - unexpected end of input; expected '[', '{', or a literal"
                           "\n\nPlease try to reinstall the extension package.");
}

TEST(PackageDescription, NamesTheFirstEntryThatIsMissingOrOfAnotherType) {
    const std::string first3 = R"("name": "quorvane", "description": "d", "version": "1")";
    struct Case {
        std::string content;
        std::string key;
        std::string message;
    };
    const Case cases[] = {
        {"{}", "name", "[json.exception.type_error.302] type must be string, but is null"},
        {"null", "name", "[json.exception.type_error.302] type must be string, but is null"},
        {"[\"name\"]", "name", "[json.exception.type_error.305] cannot use operator[] with a string argument with array"},
        {"\"name\"", "name",
         "[json.exception.type_error.305] cannot use operator[] with a string argument with string"},
        {R"({"name": 5, "description": 5})", "name",
         "[json.exception.type_error.302] type must be string, but is number"},
        {R"({"name": "quorvane", "description": true})", "description",
         "[json.exception.type_error.302] type must be string, but is boolean"},
        {R"({"name": "quorvane", "description": "d", "version": {}})", "version",
         "[json.exception.type_error.302] type must be string, but is object"},
        {"{" + first3 + "}", "supportedHalconVersions",
         "[json.exception.type_error.302] type must be array, but is null"},
        {"{" + first3 + R"(, "supportedHalconVersions": "13.0"})", "supportedHalconVersions",
         "[json.exception.type_error.302] type must be array, but is string"},
        {"{" + first3 + R"(, "supportedHalconVersions": ["13.0", 13.0]})", "supportedHalconVersions",
         "[json.exception.type_error.302] type must be string, but is number"},
    };
    for (const Case& c : cases) {
        const BuiltState state = buildInChild(withFile(c.content));
        expectFailure(state, "could not find or parse entry\n\"" + c.key + "\"\nin package description file\n" +
                                 pathIn(state) + "\n.\n" + c.message +
                                 "\n\nPlease try to reinstall the extension package.");
    }
}

TEST(ToolStateBuild, StopsAtADetectionFailureBeforeTheDescriptionFile) {
    const BuiltState state = buildInChild(withFile("not json"), std::nullopt);
    expectFailure(state,
                  "could not detect your current version of HALCON. The environment variable\nHALCONROOT\nis not set. "
                  "Try re-running the HALCON installer or set the environment variable manually.");
}

TEST(SupportedVersionCheck, WarnsOnceAndGoesOnWhenTheDetectedVersionIsNotListed) {
    struct Case {
        const char* installation;
        std::string supported;  // JSON
        std::string detected;
        std::string listed;
    };
    const Case cases[] = {
        {"halconxl-18.11", R"(["13.0"])", "18.11", "13.0"},
        {"halcon-13.0", "[]", "13.0", ""},
        {"halcon-13.0", R"(["13.00", " 13.0", "13.0 ", "13"])", "13.0", "13.00,  13.0, 13.0 , 13"},
    };
    for (const Case& c : cases) {
        const BuiltState state = buildInChild(withFile(descriptionWith(c.supported)), std::string(c.installation));
        ASSERT_TRUE(state.succeeded) << state.error;
        EXPECT_EQ(state.name, "quorvane");
        ASSERT_EQ(state.boxCount, 1) << c.installation << " " << c.supported;
        EXPECT_EQ(state.boxText, "This version of the extension package does not support HALCON " + c.detected +
                                     ".\n\nSupported versions are:\n" + c.listed +
                                     "\n\nTry to update to a new version of the extension package or install one of "
                                     "the supported versions of HALCON.\nThis program will continue, but it is "
                                     "unlikely to activate or deactivate the extension package correctly.");
        EXPECT_EQ(state.boxDetails.at("boxButtonIsOk"), "yes");
        EXPECT_EQ(state.boxDetails.at("boxIconIsWarning"), "yes");
        EXPECT_EQ(state.boxDetails.at("boxOwnerless"), "yes");
    }
}

TEST(SupportedVersionCheck, ShowsNothingWhenTheDetectedVersionIsListed) {
    struct Case {
        const char* installation;
        std::string supported;
    };
    const Case cases[] = {
        {"halcon-13.0", R"(["12.0", "13.0"])"},
        {"halconxl-18.11", R"(["18.11"])"},
    };
    for (const Case& c : cases) {
        const BuiltState state = buildInChild(withFile(descriptionWith(c.supported)), std::string(c.installation));
        ASSERT_TRUE(state.succeeded) << state.error;
        EXPECT_EQ(state.boxCount, 0) << c.installation;
    }
}

}  // namespace
