#include "change_commands.h"

#include <stdexcept>

namespace activate {

void confirmAndApply(const ExtensionList&, ChangeLines) { throw std::logic_error("not built"); }
void confirmAndApply(const ExtensionList&, ChangeLines, const std::string&) { throw std::logic_error("not built"); }
void activatePackage(const ToolState&) { throw std::logic_error("not built"); }
void deactivatePackage(const ToolState&) { throw std::logic_error("not built"); }
void resetAllExtensions() { throw std::logic_error("not built"); }

}  // namespace activate
