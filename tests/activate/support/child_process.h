// Runs one test of a test program in a child process with an environment of
// its own, and carries the child's findings back as named records.
#ifndef ACTIVATE_CHILD_PROCESS_H
#define ACTIVATE_CHILD_PROCESS_H

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace activate_test {

using Records = std::map<std::string, std::string>;

// Variables to set (a value, possibly empty) or to remove (nullopt) in the
// child's copy of this process's environment. Values are ANSI text.
using EnvironmentChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct ChildOutcome {
    DWORD exitCode = 0;
    Records records;  // what the child wrote with writeChildRecords
};

// Runs `program` with only the (usually disabled) test `testName` selected.
// Fails the calling test when the child cannot be started or does not end
// within a minute.
ChildOutcome runChildTest(const std::wstring& program, const std::string& testName,
                          const EnvironmentChanges& changes);

// In the child: hands the records to the parent.
void writeChildRecords(const Records& records);

// Test programs run their child cases as tests named ChildProcess.DISABLED_*,
// which never run on their own.
constexpr const char* childSuite = "ChildProcess";

}  // namespace activate_test

#endif
