// Paths as the tool handles them: narrow text in the system's ANSI code page,
// turned into std::filesystem paths and back, and a status query with the
// answers the tool relies on.
#ifndef ACTIVATE_FILE_SYSTEM_H
#define ACTIVATE_FILE_SYSTEM_H

#include <filesystem>
#include <string>

namespace activate {

// The standard library reads narrow path text as UTF-8; the tool's narrow
// paths (environment, module name) are in the ANSI code page.
std::filesystem::path pathFromNarrow(const std::string& narrowPath);
std::string narrowFromPath(const std::filesystem::path& path);

// directory / name with the path library's rule: one backslash between the
// two unless the directory is empty or already ends in a separator or colon.
std::string joinPath(const std::string& directory, const std::string& name);

// The parent directory as text (no trailing separator, except at a root).
std::string parentDirectory(const std::string& path);

enum class PathKind { absent, directory, regularFile, otherEntry };

// The kind of entry at `path`, links followed. The not-found family of
// Windows errors (missing file or path, invalid name or drive, device not
// ready, bad path) means absent; a sharing violation means an entry that
// exists. Any other failure throws std::filesystem::filesystem_error naming
// "status", the system's message and the path.
PathKind pathKind(const std::filesystem::path& path);

// True when both paths lead to the same file-system object (same volume and
// file identity), however they are spelled; a trailing separator does not
// matter. A path that cannot be opened is no match; both failing to open, or
// an identity that cannot be read, throws std::filesystem::filesystem_error
// naming "equivalent". std::filesystem::equivalent of this runtime tells
// "C:\dir\" from "C:\dir", which is why the tool asks the system itself.
bool sameFileSystemObject(const std::filesystem::path& first, const std::filesystem::path& second);

}  // namespace activate

#endif
