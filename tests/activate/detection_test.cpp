// HALCON detection: the file version reader against fixture libraries, and
// detectHalcon against fixture installations in child processes, each with
// the environment of its case.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include "child_process.h"
#include "debug_output_capture.h"
#include "file_version.h"
#include "halcon_installation.h"
#include "test_paths.h"

namespace {

using activate_test::installationFixture;

const std::string arch = HALCON_ARCH_NAME;

std::string binDirectoryOf(const std::string& root) { return root + "\\bin\\" + arch; }

// --- version texts -----------------------------------------------------------

TEST(VersionText, IsMajorPointMinorInPlainDecimal) {
    struct Case {
        std::int32_t major, minor;
        const char* version;
        const char* directory;
    };
    const Case cases[] = {
        {13, 0, "13.0", "halcon-13.0"},
        {18, 11, "18.11", "halcon-18.11"},
        {0, 0, "0.0", "halcon-0.0"},
        {65535, 65535, "65535.65535", "halcon-65535.65535"},
    };
    for (const Case& c : cases) {
        activate::HalconInstallation installation;
        installation.major = c.major;
        installation.minor = c.minor;
        EXPECT_EQ(activate::halconVersionString(installation), c.version);
        EXPECT_EQ(activate::versionDirectoryName(installation), c.directory);
    }
}

// --- readFileVersion ---------------------------------------------------------

std::string libraryIn(const std::string& installation, const char* file) {
    return binDirectoryOf(installationFixture(installation)) + "\\" + file;
}

TEST(ReadFileVersion, ReadsTheFourWordsOfTheFileVersion) {
    struct Case {
        std::string file;
        std::int32_t major, minor, build, revision;
    };
    const Case cases[] = {
        {libraryIn("halcon-13.0", "halcon.dll"), 13, 0, 1, 0},
        {libraryIn("halconxl-18.11", "halconxl.dll"), 18, 11, 65535, 4},
    };
    for (const Case& c : cases) {
        std::int32_t major = -1, minor = -1, build = -1, revision = -1;
        EXPECT_TRUE(activate::readFileVersion(c.file, &major, &minor, &build, &revision)) << c.file;
        EXPECT_EQ(major, c.major) << c.file;
        EXPECT_EQ(minor, c.minor) << c.file;
        EXPECT_EQ(build, c.build) << c.file;
        EXPECT_EQ(revision, c.revision) << c.file;
    }
}

TEST(ReadFileVersion, FillsOnlyTheWordsAskedFor) {
    std::int32_t minor = -1;
    std::int32_t revision = -1;
    EXPECT_TRUE(
        activate::readFileVersion(libraryIn("halconxl-18.11", "halconxl.dll"), nullptr, &minor, nullptr, &revision));
    EXPECT_EQ(minor, 11);
    EXPECT_EQ(revision, 4);
}

// The last-error code that GetFileVersionInfoSizeA leaves for this file.
DWORD versionSizeError(const std::string& file) {
    DWORD ignored = 0;
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeA(file.c_str(), &ignored), 0u) << file;
    return GetLastError();
}

TEST(ReadFileVersion, ReportsAFailureInOneDebuggerLineAndLeavesTheOutputs) {
    test_support::DebugOutputCapture debugOutput;
    ASSERT_TRUE(debugOutput.ready());

    const std::string missing = installationFixture("without-library") + "\\bin\\" + arch + "\\halcon.dll";
    const std::string withoutVersion = libraryIn("without-version", "halcon.dll");
    const std::string directory = libraryIn("library-directory", "halcon.dll");
    struct Case {
        std::string file;
        std::string line;
    };
    const Case cases[] = {
        {missing, "Error in GetFileVersionInfoSize: 2\n"},
        {withoutVersion, "Error in GetFileVersionInfoSize: " + std::to_string(versionSizeError(withoutVersion)) + "\n"},
        {directory, "Error in GetFileVersionInfoSize: " + std::to_string(versionSizeError(directory)) + "\n"},
    };
    std::size_t expectedLines = 0;
    for (const Case& c : cases) {
        std::int32_t major = -7, minor = -7, build = -7, revision = -7;
        EXPECT_FALSE(activate::readFileVersion(c.file, &major, &minor, &build, &revision)) << c.file;
        EXPECT_EQ(major, -7);
        EXPECT_EQ(minor, -7);
        EXPECT_EQ(build, -7);
        EXPECT_EQ(revision, -7);
        const auto lines = debugOutput.lines(++expectedLines);
        ASSERT_EQ(lines.size(), expectedLines) << c.file;
        EXPECT_EQ(lines.back(), c.line) << c.file;
    }
}

TEST(ReadFileVersion, RejectsAVersionResourceWithoutFixedFileInformation) {
    test_support::DebugOutputCapture debugOutput;
    ASSERT_TRUE(debugOutput.ready());
    std::int32_t major = -7, minor = -7;
    EXPECT_FALSE(activate::readFileVersion(libraryIn("without-fixed-info", "halcon.dll"), &major, &minor, nullptr,
                                           nullptr));
    EXPECT_EQ(major, -7);
    EXPECT_EQ(minor, -7);
    const auto lines = debugOutput.lines(1);
    ASSERT_EQ(lines.size(), 1u);
    const std::string prefix = "Error in VerQueryValue: ";
    ASSERT_EQ(lines[0].compare(0, prefix.size(), prefix), 0) << lines[0];
    const std::string code = lines[0].substr(prefix.size());
    EXPECT_GE(code.size(), 2u);
    EXPECT_EQ(code.back(), '\n');
    EXPECT_EQ(code.find_first_not_of("0123456789"), code.size() - 1) << lines[0];
}

// --- detectHalcon in a child process ----------------------------------------

struct Detection {
    bool succeeded = false;
    std::int32_t major = 0, minor = 0;
    std::string halconRoot, halconArch;
    std::string errorType, error;
};

TEST(ChildProcess, DISABLED_DetectHalcon) {
    activate_test::Records records;
    try {
        const activate::HalconInstallation installation = activate::detectHalcon();
        records["major"] = std::to_string(installation.major);
        records["minor"] = std::to_string(installation.minor);
        records["halconRoot"] = installation.halconRoot;
        records["halconArch"] = installation.halconArch;
    } catch (const std::exception& error) {
        records["errorType"] = typeid(error) == typeid(std::runtime_error) ? "std::runtime_error" : typeid(error).name();
        records["error"] = error.what();
    }
    activate_test::writeChildRecords(records);
}

Detection detectInChild(const std::optional<std::string>& halconRoot, const std::optional<std::string>& halconArch) {
    const auto outcome = activate_test::runChildTest(activate_test::programPath(), "DISABLED_DetectHalcon",
                                                     {{"HALCONROOT", halconRoot}, {"HALCONARCH", halconArch}});
    EXPECT_EQ(outcome.exitCode, 0u);
    Detection detection;
    auto& records = outcome.records;
    detection.succeeded = records.count("major") != 0;
    if (detection.succeeded) {
        detection.major = std::stoi(records.at("major"));
        detection.minor = std::stoi(records.at("minor"));
        detection.halconRoot = records.at("halconRoot");
        detection.halconArch = records.at("halconArch");
    } else if (records.count("error")) {
        detection.errorType = records.at("errorType");
        detection.error = records.at("error");
    } else {
        ADD_FAILURE() << "the child reported nothing";
    }
    return detection;
}

void expectError(const Detection& detection, const std::string& text) {
    EXPECT_FALSE(detection.succeeded);
    EXPECT_EQ(detection.errorType, "std::runtime_error");
    EXPECT_EQ(detection.error, text);
}

std::string variableNotSetText(const std::string& variable) {
    return "could not detect your current version of HALCON. The environment variable\n" + variable +
           "\nis not set. Try re-running the HALCON installer or set the environment variable manually.";
}

std::string directoryMissingText(const std::string& binDirectory) {
    return "could not find directory\n%HALCONROOT%\\bin\\%HALCONARCH%\n( " + binDirectory +
           " ).\nTry re-running the HALCON installer or set the environment variables HALCONROOT and HALCONARCH "
           "manually.";
}

std::string libraryMissingText(const std::string& binDirectory) {
    return "could not find the HALCON library in directory\n" + binDirectory +
           "\n.\n Try re-running the HALCON installer or set the environment variables HALCONROOT and HALCONARCH "
           "manually. Tried the following paths to find a suitable DLL: " +
           binDirectory + "\\halcon.dll; " + binDirectory + "\\halconxl.dll";
}

std::string versionUnreadableText(const std::string& library) {
    return "could not get the major and minor version from\n" + library + "\n.\n Try re-running the HALCON installer.";
}

TEST(Detection, TakesTheVersionOfTheFirstLibraryThatExists) {
    struct Case {
        const char* installation;
        std::int32_t major, minor;
    };
    const Case cases[] = {
        {"halcon-13.0", 13, 0},     // halcon.dll alone
        {"halconxl-18.11", 18, 11}, // halconxl.dll alone
        {"both", 13, 0},            // halcon.dll wins over halconxl.dll
    };
    for (const Case& c : cases) {
        const std::string root = installationFixture(c.installation);
        const Detection detection = detectInChild(root, arch);
        ASSERT_TRUE(detection.succeeded) << c.installation << ": " << detection.error;
        EXPECT_EQ(detection.major, c.major) << c.installation;
        EXPECT_EQ(detection.minor, c.minor) << c.installation;
        EXPECT_EQ(detection.halconRoot, root);
        EXPECT_EQ(detection.halconArch, arch);
    }
}

TEST(Detection, JoinsARootEndingInABackslashAsText) {
    const std::string root = installationFixture("halcon-13.0") + "\\";
    const Detection detection = detectInChild(root, arch);
    ASSERT_TRUE(detection.succeeded) << detection.error;
    EXPECT_EQ(detection.halconRoot, root);
    EXPECT_EQ(detection.major, 13);

    const std::string emptyRoot = installationFixture("without-library") + "\\";
    expectError(detectInChild(emptyRoot, arch), libraryMissingText(emptyRoot + "\\bin\\" + arch));
}

TEST(Detection, NamesTheFirstVariableThatIsNotSet) {
    const std::string root = installationFixture("halcon-13.0");
    struct Case {
        std::optional<std::string> root, arch;
        const char* missing;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, "HALCONROOT"},
        {std::nullopt, arch, "HALCONROOT"},
        {root, std::nullopt, "HALCONARCH"},
        {std::string(), std::nullopt, "HALCONARCH"},  // an empty HALCONROOT is set
    };
    for (const Case& c : cases) expectError(detectInChild(c.root, c.arch), variableNotSetText(c.missing));
}

TEST(Detection, ReportsABinDirectoryThatIsNotADirectory) {
    const std::string fixtures = installationFixture("");
    const std::string cases[] = {
        "",                                   // empty root: \bin\<arch>
        fixtures + "missing",                 // no such folder
        fixtures + "bad|name",                // an invalid name counts as absent
        "Q:\\no-drive",                       // no such drive
        installationFixture("arch-is-file"),  // bin\<arch> is a file
    };
    for (const std::string& root : cases) {
        expectError(detectInChild(root, arch), directoryMissingText(binDirectoryOf(root)));
    }
}

TEST(Detection, ListsBothCandidatesWhenNeitherExists) {
    const std::string root = installationFixture("without-library");
    expectError(detectInChild(root, arch), libraryMissingText(binDirectoryOf(root)));

    // An empty HALCONARCH is read as such: the bin folder itself is searched.
    const std::string withLibrary = installationFixture("halcon-13.0");
    expectError(detectInChild(withLibrary, std::string()), libraryMissingText(withLibrary + "\\bin\\"));
}

TEST(Detection, NamesTheLibraryWhoseVersionCannotBeRead) {
    const char* cases[] = {
        "without-version",     // no version resource at all
        "without-fixed-info",  // a version resource without fixed file information
        "library-directory",   // halcon.dll is a folder; halconxl.dll beside it is not tried
    };
    for (const char* installation : cases) {
        const std::string root = installationFixture(installation);
        expectError(detectInChild(root, arch), versionUnreadableText(binDirectoryOf(root) + "\\halcon.dll"));
    }
}

}  // namespace
