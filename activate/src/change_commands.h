// The commands that change the user's HALCONEXTENSIONS: each is a plan, then
// a confirmation, then the write.
#ifndef ACTIVATE_CHANGE_COMMANDS_H
#define ACTIVATE_CHANGE_COMMANDS_H

#include "extension_list.h"

namespace activate {

// Shows the lines with the value `list` gives in a Yes/No box and, on Yes,
// writes that value and confirms with "Done.". Throws std::runtime_error
// when the write fails, or when HALCONEXTENSIONS changed since the plan read
// it (then nothing is written). The stored text is compared, and the value
// is written with the type it has then (REG_SZ or REG_EXPAND_SZ).
// The value is compared with the one read just before the box is shown.
void confirmAndApply(const ExtensionList& list, ChangeLines lines);
// The same, compared with the value the plan was made from.
void confirmAndApply(const ExtensionList& list, ChangeLines lines, const std::string& valuePlannedFrom);

void activatePackage(const ToolState& state);
void deactivatePackage(const ToolState& state);
void resetAllExtensions();

}  // namespace activate

#endif
