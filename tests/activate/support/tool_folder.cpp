#include "tool_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace activate_test {

ToolFolder::ToolFolder(const std::string& packageName, const std::string& existingFolder)
    : folder_(existingFolder.empty() ? ScratchDirectory() : ScratchDirectory(existingFolder)), packageName_(packageName) {
    program_ = widen(folder_.pathOf("tool.exe"));
    if (!CopyFileW(programPath().c_str(), program_.c_str(), TRUE)) {
        throw std::runtime_error("cannot copy the test program, error " + std::to_string(GetLastError()));
    }
    folder_.writeFile("quellmark-solutions-extpack.json",
                      R"({"name": ")" + packageName + R"(", "description": "Desktop notifications", )"
                      R"("version": "1.0", "supportedHalconVersions": ["13.0", "18.11"]})");
}

void ToolFolder::makeDirectory(const std::string& relative) const {
    std::filesystem::create_directories(std::filesystem::path(widen(folder_.pathOf(relative))));
}

void ToolFolder::writeFile(const std::string& relative, const std::string& bytes) const {
    folder_.writeFile(relative, bytes);
}

void ToolFolder::installLibrary(const std::string& versionDirectory, const std::string& package,
                                const std::string& arch) const {
    const std::string binDirectory = versionDirectory + "\\" + package + "\\bin\\" + arch;
    makeDirectory(binDirectory);
    writeFile(binDirectory + "\\" + package + ".dll", "never loaded");
}

ChildOutcome ToolFolder::run(const std::string& testName, EnvironmentChanges changes,
                             const std::string& installation) const {
    changes.insert(changes.begin(), {"HALCONARCH", std::string(HALCON_ARCH_NAME)});
    changes.insert(changes.begin(), {"HALCONROOT", installationFixture(installation)});
    return runChildTest(program_, testName, changes);
}

void storeList(Records& records, const std::string& name, const std::vector<std::string>& list) {
    records[name + ".count"] = std::to_string(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) records[name + "." + std::to_string(i)] = list[i];
}

std::vector<std::string> loadList(const Records& records, const std::string& name) {
    std::vector<std::string> list;
    const auto count = records.find(name + ".count");
    if (count == records.end()) return list;
    for (std::size_t i = 0, n = std::stoul(count->second); i < n; ++i) {
        list.push_back(record(records, name + "." + std::to_string(i)));
    }
    return list;
}

std::string record(const Records& records, const std::string& name) {
    const auto found = records.find(name);
    return found == records.end() ? std::string() : found->second;
}

std::string environmentVariable(const std::string& name) {
    char value[32767];
    const DWORD length = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

}  // namespace activate_test
