#include "application.h"

#include <windows.h>

#include <stdexcept>

#include "file_system.h"

namespace activate {
namespace {

// The executable's path, however long: GetModuleFileNameA cuts a path that
// does not fit and then fills the whole buffer.
std::string executablePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) throw std::runtime_error("internal error: could not determine the application's directory.");
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) {
            throw std::runtime_error("internal error: could not determine the application's directory.");
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

std::string applicationDirectory() {
    // Initialised once; a call that throws leaves it to the next call.
    static const std::string directory = parentDirectory(executablePath());
    return directory;
}

std::string toolTitle() {
    static const std::string title = "Activation Tool for Extension Package";
    return title;
}

void showWarning(const std::string& text) { MessageBoxA(nullptr, text.c_str(), toolTitle().c_str(), MB_ICONWARNING); }

}  // namespace activate
