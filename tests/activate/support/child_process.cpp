#include "child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <stdexcept>

#include "child_start.h"
#include "test_paths.h"

namespace activate_test {
namespace {

constexpr const wchar_t* resultVariable = L"ACTIVATE_TEST_RESULT_FILE";

std::wstring variableName(const std::wstring& entry) { return entry.substr(0, entry.find(L'=', 1)); }

bool sameVariable(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// This process's environment without the changed variables, then the set ones.
std::wstring environmentBlock(const EnvironmentChanges& changes, const std::wstring& resultFile) {
    std::vector<std::wstring> changed{resultVariable};
    for (const auto& change : changes) changed.push_back(widen(change.first));

    std::wstring block;
    const auto environment =
        std::unique_ptr<wchar_t, decltype(&FreeEnvironmentStringsW)>(GetEnvironmentStringsW(), FreeEnvironmentStringsW);
    for (const wchar_t* entry = environment.get(); *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring name = variableName(entry);
        bool keep = true;
        for (const auto& c : changed) keep = keep && !sameVariable(name, c);
        if (keep) block.append(entry).push_back(L'\0');
    }
    for (const auto& change : changes) {
        if (change.second) block.append(widen(change.first + "=" + *change.second)).push_back(L'\0');
    }
    block.append(resultVariable).append(L"=").append(resultFile).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

std::wstring temporaryFile() {
    wchar_t directory[MAX_PATH];
    wchar_t file[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, directory) || !GetTempFileNameW(directory, L"act", 0, file)) {
        throw std::runtime_error("no temporary file");
    }
    return file;
}

// Records on disk: per record its key, a line break, the value's length in
// decimal, a line break, the value's bytes and a line break.
Records readRecords(const std::wstring& file) {
    Records records;
    std::unique_ptr<FILE, decltype(&fclose)> in(_wfopen(file.c_str(), L"rb"), fclose);
    if (!in) return records;
    std::string content;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, in.get())) > 0;) content.append(buffer, n);
    size_t position = 0;
    while (position < content.size()) {
        const size_t keyEnd = content.find('\n', position);
        const size_t lengthEnd = content.find('\n', keyEnd + 1);
        if (keyEnd == std::string::npos || lengthEnd == std::string::npos) break;
        const std::string key = content.substr(position, keyEnd - position);
        const size_t length = std::stoul(content.substr(keyEnd + 1, lengthEnd - keyEnd - 1));
        records[key] = content.substr(lengthEnd + 1, length);
        position = lengthEnd + 1 + length + 1;
    }
    return records;
}

}  // namespace

ChildOutcome runChildTest(const std::wstring& program, const std::string& testName,
                          const EnvironmentChanges& changes) {
    ChildOutcome outcome;
    const std::wstring resultFile = temporaryFile();
    const std::wstring commandLine = L"\"" + program + L"\" --gtest_color=no --gtest_brief=1 --gtest_also_run_disabled_tests --gtest_filter=" +
                                     widen(std::string(childSuite) + "." + testName);

    test_support::ChildStart start =
        test_support::startChild({program, commandLine, environmentBlock(changes, resultFile)});
    if (!start.child) {
        ADD_FAILURE() << "cannot start the child, error " << start.error;
        DeleteFileW(resultFile.c_str());
        outcome.exitCode = static_cast<DWORD>(-1);
        return outcome;
    }
    std::optional<DWORD> exitCode = start.child->waitForExit(std::chrono::minutes(1));
    if (!exitCode) {
        ADD_FAILURE() << "the child did not end within a minute";
        start.child->end();
        exitCode = start.child->waitForExit(std::chrono::milliseconds(0));
    }
    outcome.exitCode = exitCode.value_or(STILL_ACTIVE);
    outcome.records = readRecords(resultFile);
    DeleteFileW(resultFile.c_str());
    return outcome;
}

void writeChildRecords(const Records& records) {
    const wchar_t* file = _wgetenv(resultVariable);
    ASSERT_NE(file, nullptr) << "not started by runChildTest";
    std::unique_ptr<FILE, decltype(&fclose)> out(_wfopen(file, L"wb"), fclose);
    ASSERT_TRUE(out);
    for (const auto& record : records) {
        const std::string header = record.first + "\n" + std::to_string(record.second.size()) + "\n";
        fwrite(header.data(), 1, header.size(), out.get());
        fwrite(record.second.data(), 1, record.second.size(), out.get());
        fputc('\n', out.get());
    }
}

}  // namespace activate_test
