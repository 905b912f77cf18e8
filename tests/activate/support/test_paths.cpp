#include "test_paths.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace activate_test {
std::wstring widen(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0],
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

std::wstring programPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) throw std::runtime_error("GetModuleFileNameW failed");
    path.resize(length);
    return path;
}

std::string programDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("GetModuleFileNameA failed");
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of('\\'));
}

std::string installationFixture(const std::string& name) {
    std::string relative = ACTIVATE_FIXTURES_FROM_BIN;
    for (char& c : relative) {
        if (c == '/') c = '\\';
    }
    const std::string joined = programDirectory() + "\\" + relative + "\\" + name;
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(joined.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("GetFullPathNameA failed for " + joined);
    return std::string(full, length);
}

ScratchDirectory::ScratchDirectory() {
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("GetTempPathA failed");
    path_ = std::string(temp, length) + "activate-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    if (!CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

ScratchDirectory::ScratchDirectory(const std::string& existingFolder) : path_(existingFolder), ownsFolder_(false) {
    const DWORD attributes = GetFileAttributesA(path_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throw std::runtime_error("no folder " + path_);
    }
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    const std::filesystem::path folder(widen(path_));
    if (ownsFolder_) {
        std::filesystem::remove_all(folder, ignored);
        return;
    }
    for (std::filesystem::directory_iterator entry(folder, ignored), end; !ignored && entry != end;
         entry.increment(ignored)) {
        std::error_code alsoIgnored;
        std::filesystem::remove_all(entry->path(), alsoIgnored);
    }
}

std::string ScratchDirectory::pathOf(const std::string& relative) const {
    return !path_.empty() && path_.back() == '\\' ? path_ + relative : path_ + "\\" + relative;
}

void ScratchDirectory::writeFile(const std::string& name, const std::string& bytes) const {
    std::ofstream file(pathOf(name), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + name);
}

}  // namespace activate_test
