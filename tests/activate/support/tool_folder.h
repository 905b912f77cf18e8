// A copy of the running test program in a scratch folder of its own, acting
// as the tool with its package description and installed package layout
// beside it, and the runs of that copy's child tests.
#ifndef ACTIVATE_TOOL_FOLDER_H
#define ACTIVATE_TOOL_FOLDER_H

#include <string>
#include <vector>

#include "child_process.h"
#include "test_paths.h"

namespace activate_test {

class ToolFolder {
public:
    // Writes a description for `packageName` that lists 13.0 and 18.11, in a
    // scratch folder of its own, or in `existingFolder` (such as a drive's
    // root) when one is given; what it puts there goes with it.
    explicit ToolFolder(const std::string& packageName, const std::string& existingFolder = "");

    // The folder as the tool sees itself (its applicationDirectory).
    const std::string& path() const { return folder_.path(); }
    // <folder>\<relative>, as the tool joins it.
    std::string pathOf(const std::string& relative) const { return folder_.pathOf(relative); }
    const std::string& packageName() const { return packageName_; }

    // <folder>\<versionDirectory>\<package>\bin\<arch>\<package>.dll
    void installLibrary(const std::string& versionDirectory, const std::string& package, const std::string& arch) const;
    // Creates <folder>\<relative> and the folders above it.
    void makeDirectory(const std::string& relative) const;
    // Writes a file <folder>\<relative> (its folder must exist).
    void writeFile(const std::string& relative, const std::string& bytes) const;

    // Runs the copy's child test with HALCONROOT set to the installation
    // fixture and HALCONARCH to this build's architecture, plus `changes`.
    ChildOutcome run(const std::string& testName, EnvironmentChanges changes,
                     const std::string& installation = "halcon-13.0") const;

private:
    ScratchDirectory folder_;
    std::string packageName_;
    std::wstring program_;
};

// A list carried in records as <name>.count and <name>.<index>.
void storeList(Records& records, const std::string& name, const std::vector<std::string>& list);
std::vector<std::string> loadList(const Records& records, const std::string& name);

// The record, or "" when it is missing.
std::string record(const Records& records, const std::string& name);

// The variable of this process's environment as ANSI text, or "".
std::string environmentVariable(const std::string& name);

}  // namespace activate_test

#endif
