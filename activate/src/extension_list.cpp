#include "extension_list.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/join.hpp>
#include <boost/algorithm/string/split.hpp>

#include "application.h"
#include "file_system.h"
#include "text_conversion.h"
#include "user_environment.h"

namespace activate {
namespace {

const char* const extensionsVariable = "HALCONEXTENSIONS";

const char* const activationHeader =
    "Activate this Extension Package for the current user for the detected HALCON version HALCON ";
const char* const activationNote =
    ".\nAfter a restart of HDevelop, the operators of this Extension Package will be available for usage with "
    "HDevelop and HDevelop XL for architectures x86sse2-win32 and x64-win64.\n";
const char* const removalLine = " - removing from environment variable HALCONEXTENSIONS: ";
const char* const prependLine = " - prepend environment variable HALCONEXTENSIONS with: ";
const char* const resetAllText =
    "Deactivate ALL Extension Packages for the current user? Afterwards, this extension package as well as other "
    "extension packages will no longer work. To activate extension packages again, you will have to add them to the "
    "environment variable HALCONEXTENSIONS, either manually or with the Activation Tool.";

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// directory / part as the tool joins paths: one backslash between the two,
// none after a separator or a drive colon, nothing for an empty part. Unlike
// std::filesystem's operator/, a part never replaces the directory.
std::filesystem::path joined(const std::filesystem::path& directory, const std::wstring& part) {
    const std::wstring& base = directory.native();
    if (part.empty()) return directory;
    if (base.empty()) return std::filesystem::path(part);
    const wchar_t last = base.back();
    if (isSeparator(last) || last == L':' || isSeparator(part.front())) return std::filesystem::path(base + part);
    return std::filesystem::path(base + L'\\' + part);
}

// Entries and the package name are UTF-8; the tool's directory is ANSI text.
std::filesystem::path pathFromEntry(const std::string& entry) { return std::filesystem::path(toUtf16(entry)); }
std::string entryFromPath(const std::filesystem::path& path) { return toUtf8(path.native()); }

// The directory one level up, or nothing when no level is left: the path
// library gives a root such as "E:\" as its own parent, and a tool at that
// root must not own "E:\foo".
std::optional<std::filesystem::path> oneLevelUp(const std::filesystem::path& path) {
    std::filesystem::path parent = path.parent_path();
    if (parent.native().size() >= path.native().size()) return std::nullopt;
    return parent;
}

std::filesystem::path toolDirectory() { return pathFromNarrow(applicationDirectory()); }

// The package's directory for the detected HALCON version, checked to hold
// the library for the detected architecture.
std::filesystem::path installedPackageDirectory(const ToolState& state) {
    const std::filesystem::path versionDirectory =
        joined(toolDirectory(), toUtf16(versionDirectoryName(state)));
    if (pathKind(versionDirectory) != PathKind::directory) {
        throw std::runtime_error("could not find directory\n" + narrowFromPath(versionDirectory) +
                                 "\n.\nMaybe your current HALCON version is not supported by this extension package. "
                                 "Otherwise, try re-installing the extension package.");
    }
    const std::filesystem::path packageDirectory = joined(versionDirectory, toUtf16(state.name));
    const std::filesystem::path library =
        joined(joined(joined(packageDirectory, L"bin"), toUtf16(state.halconArch)), toUtf16(state.name + ".dll"));
    if (pathKind(library) != PathKind::regularFile) {
        throw std::runtime_error("could not find an extension package in directory\n" +
                                 narrowFromPath(versionDirectory) + "\n.\nTry re-installing the extension package.");
    }
    return packageDirectory;
}

}  // namespace

ExtensionList splitExtensionValue(const std::string& value) {
    ExtensionList list;
    if (value.empty()) return list;
    boost::algorithm::split(list, value, boost::algorithm::is_any_of(";"), boost::algorithm::token_compress_off);
    return list;
}

UserEnvironmentValue readExtensionsValue() { return readUserEnvironment(extensionsVariable); }

ExtensionList readExtensionList() { return splitExtensionValue(readExtensionsValue().text); }

std::string joinExtensionList(const ExtensionList& list) { return boost::algorithm::join(list, ";"); }

bool belongsToPackage(const ToolState&, const std::string& entry, bool expandable) {
    const std::filesystem::path path = pathFromEntry(expandable ? expandEnvironmentReferences(entry) : entry);
    const std::optional<std::filesystem::path> parent = oneLevelUp(path);
    const std::optional<std::filesystem::path> grandparent = parent ? oneLevelUp(*parent) : std::nullopt;
    if (!grandparent || grandparent->empty()) return false;
    return sameFileSystemObject(*grandparent, toolDirectory());
}

bool isActive(const ToolState& state) {
    const UserEnvironmentValue current = readExtensionsValue();
    const ExtensionList list = splitExtensionValue(current.text);
    return std::any_of(list.begin(), list.end(), [&state, &current](const std::string& entry) {
        return belongsToPackage(state, entry, current.expandable);
    });
}

void removeOwnEntries(const ToolState& state, ExtensionList& list, ChangeLines& lines, bool expandable) {
    ExtensionList kept;
    for (std::string& entry : list) {
        if (belongsToPackage(state, entry, expandable)) {
            lines.push_back(removalLine + entry);
        } else {
            kept.push_back(std::move(entry));
        }
    }
    list = std::move(kept);
}

ExtensionList planActivation(const ToolState& state, ChangeLines& lines) {
    return planActivation(state, readExtensionsValue(), lines);
}

ExtensionList planActivation(const ToolState& state, const UserEnvironmentValue& current, ChangeLines& lines) {
    lines.push_back(activationHeader + halconVersionString(state) + activationNote);
    lines.emplace_back();
    ExtensionList list = splitExtensionValue(current.text);
    removeOwnEntries(state, list, lines, current.expandable);
    const std::string packageEntry = entryFromPath(installedPackageDirectory(state));
    lines.push_back(prependLine + packageEntry);
    list.insert(list.begin(), packageEntry);
    return list;
}

ExtensionList planDeactivation(const ToolState& state, ChangeLines& lines) {
    return planDeactivation(state, readExtensionsValue(), lines);
}

ExtensionList planDeactivation(const ToolState& state, const UserEnvironmentValue& current, ChangeLines& lines) {
    ExtensionList list = splitExtensionValue(current.text);
    removeOwnEntries(state, list, lines, current.expandable);
    return list;
}

ExtensionList planResetAll(ChangeLines& lines) {
    lines.push_back(resetAllText);
    lines.emplace_back();
    return {};
}

}  // namespace activate
