#include "file_system.h"

#include <windows.h>

#include <system_error>

namespace activate {
namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool isNotFoundError(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_NOT_READY:
        case ERROR_INVALID_PARAMETER:
        case ERROR_BAD_PATHNAME:
        case ERROR_BAD_NETPATH:
            return true;
        default:
            return false;
    }
}

PathKind kindAfterFailure(DWORD code, const std::filesystem::path& path) {
    if (isNotFoundError(code)) return PathKind::absent;
    if (code == ERROR_SHARING_VIOLATION) return PathKind::otherEntry;
    throw std::filesystem::filesystem_error("status", path,
                                            std::error_code(static_cast<int>(code), std::system_category()));
}

// Opens a file or directory only to ask who it is.
HANDLE openForIdentity(const std::filesystem::path& path) {
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

[[noreturn]] void throwEquivalentError(DWORD code, const std::filesystem::path& first,
                                       const std::filesystem::path& second) {
    throw std::filesystem::filesystem_error("equivalent", first, second,
                                            std::error_code(static_cast<int>(code), std::system_category()));
}

PathKind kindFromAttributes(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::directory : PathKind::regularFile;
}

}  // namespace

std::filesystem::path pathFromNarrow(const std::string& narrowPath) {
    if (narrowPath.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, narrowPath.data(), static_cast<int>(narrowPath.size()), nullptr, 0);
    if (length <= 0) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "MultiByteToWideChar");
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrowPath.data(), static_cast<int>(narrowPath.size()), &wide[0], length);
    return std::filesystem::path(wide);
}

std::string narrowFromPath(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    if (wide.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "WideCharToMultiByte");
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &narrow[0], length, nullptr, nullptr);
    return narrow;
}

std::string joinPath(const std::string& directory, const std::string& name) {
    return narrowFromPath(pathFromNarrow(directory) / pathFromNarrow(name));
}

std::string parentDirectory(const std::string& path) { return narrowFromPath(pathFromNarrow(path).parent_path()); }

PathKind pathKind(const std::filesystem::path& path) {
    const wchar_t* native = path.c_str();
    const DWORD attributes = GetFileAttributesW(native);
    if (attributes == INVALID_FILE_ATTRIBUTES) return kindAfterFailure(GetLastError(), path);
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return kindFromAttributes(attributes);

    // A link: what counts is the entry it leads to.
    const FileHandle target(openForIdentity(path));
    if (!target.valid()) return kindAfterFailure(GetLastError(), path);
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(target.get(), &information)) return kindAfterFailure(GetLastError(), path);
    return kindFromAttributes(information.dwFileAttributes);
}

bool sameFileSystemObject(const std::filesystem::path& first, const std::filesystem::path& second) {
    // An empty path names nothing; the system would take it for the
    // current directory.
    DWORD openError = ERROR_PATH_NOT_FOUND;
    const FileHandle firstHandle(first.empty() ? INVALID_HANDLE_VALUE : openForIdentity(first));
    if (!first.empty() && !firstHandle.valid()) openError = GetLastError();
    const FileHandle secondHandle(second.empty() ? INVALID_HANDLE_VALUE : openForIdentity(second));
    if (!firstHandle.valid() && !secondHandle.valid()) throwEquivalentError(openError, first, second);
    if (!firstHandle.valid() || !secondHandle.valid()) return false;

    BY_HANDLE_FILE_INFORMATION firstInformation;
    BY_HANDLE_FILE_INFORMATION secondInformation;
    if (!GetFileInformationByHandle(firstHandle.get(), &firstInformation) ||
        !GetFileInformationByHandle(secondHandle.get(), &secondInformation)) {
        throwEquivalentError(GetLastError(), first, second);
    }
    return firstInformation.dwVolumeSerialNumber == secondInformation.dwVolumeSerialNumber &&
           firstInformation.nFileIndexHigh == secondInformation.nFileIndexHigh &&
           firstInformation.nFileIndexLow == secondInformation.nFileIndexLow;
}

}  // namespace activate
