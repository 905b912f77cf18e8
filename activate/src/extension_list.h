// HALCONEXTENSIONS as a list of package directories, which of its entries
// are this package's, and the plans that say what a command wants the list to
// become. A plan only computes; nothing here writes the environment.
#ifndef ACTIVATE_EXTENSION_LIST_H
#define ACTIVATE_EXTENSION_LIST_H

#include <string>
#include <vector>

#include "tool_state.h"
#include "user_environment.h"

namespace activate {

// The entries exactly as written, split at every ";", empty ones kept.
using ExtensionList = std::vector<std::string>;

// The lines that tell the user what a planned change does.
using ChangeLines = std::vector<std::string>;

// The user's HALCONEXTENSIONS as stored, read afresh; "" when absent.
// Throws the user environment store's errors.
UserEnvironmentValue readExtensionsValue();

// Its entries as stored; an empty or absent value gives no entries at all.
ExtensionList readExtensionList();

// The list a HALCONEXTENSIONS value gives, split as readExtensionList does.
ExtensionList splitExtensionValue(const std::string& value);

// The list joined again with ";" (empty entries included).
std::string joinExtensionList(const ExtensionList& list);

// True when the directory two levels above `entry` is the tool's directory,
// as one object on disk (spelling, case, separators and short names do not
// matter). An entry of an expandable value is tested with its %VARIABLE%
// references expanded; the entry itself stays as written.
bool belongsToPackage(const ToolState& state, const std::string& entry, bool expandable = false);

// True when an entry of the freshly read list belongs to this package.
bool isActive(const ToolState& state);

// Drops every entry that belongs to this package, keeping the others in
// order, and appends one line for each entry dropped. `expandable` tells
// whether the list comes from an expandable value.
void removeOwnEntries(const ToolState& state, ExtensionList& list, ChangeLines& lines, bool expandable = false);

// Activate: this package's directory for the detected HALCON version in
// front, its other entries removed. Throws std::runtime_error when the
// version directory or the package library is missing.
ExtensionList planActivation(const ToolState& state, ChangeLines& lines);
// The same from a value the caller has read.
ExtensionList planActivation(const ToolState& state, const UserEnvironmentValue& current, ChangeLines& lines);

// Deactivate: the current list without this package's entries.
ExtensionList planDeactivation(const ToolState& state, ChangeLines& lines);
ExtensionList planDeactivation(const ToolState& state, const UserEnvironmentValue& current, ChangeLines& lines);

// Reset all: no entries at all; the current value is not read.
ExtensionList planResetAll(ChangeLines& lines);

}  // namespace activate

#endif
