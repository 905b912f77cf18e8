#include "file_version.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace activate {
namespace {

// One call, so that the line reaches the debugger whole.
void reportFailure(const char* call, DWORD code) {
    const std::string line = std::string("Error in ") + call + ": " + std::to_string(code) + "\n";
    OutputDebugStringA(line.c_str());
}

void store(std::int32_t* output, DWORD word) {
    if (output) *output = static_cast<std::int32_t>(word & 0xFFFF);
}

// A root block too short for the fixed information, or lying outside the
// data, must not be read as one.
bool liesWithin(const void* block, std::size_t length, const std::vector<unsigned char>& data) {
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const auto begin = reinterpret_cast<std::uintptr_t>(data.data());
    return block && address >= begin && address - begin <= data.size() && data.size() - (address - begin) >= length;
}

}  // namespace

bool readFileVersion(const std::string& file, std::int32_t* major, std::int32_t* minor, std::int32_t* build,
                     std::int32_t* revision) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) {
        reportFailure("GetFileVersionInfoSize", GetLastError());
        return false;
    }

    std::vector<unsigned char> versionData(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, versionData.data())) {
        reportFailure("GetFileVersionInfo", GetLastError());
        return false;
    }

    void* fixedInfo = nullptr;
    UINT fixedInfoLength = 0;
    if (!VerQueryValueW(versionData.data(), L"\\", &fixedInfo, &fixedInfoLength)) {
        reportFailure("VerQueryValue", GetLastError());
        return false;
    }
    if (fixedInfoLength < sizeof(VS_FIXEDFILEINFO) || !liesWithin(fixedInfo, sizeof(VS_FIXEDFILEINFO), versionData)) {
        reportFailure("VerQueryValue", ERROR_INVALID_DATA);
        return false;
    }

    VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixedInfo, sizeof info);
    store(major, info.dwFileVersionMS >> 16);
    store(minor, info.dwFileVersionMS);
    store(build, info.dwFileVersionLS >> 16);
    store(revision, info.dwFileVersionLS);
    return true;
}

}  // namespace activate
