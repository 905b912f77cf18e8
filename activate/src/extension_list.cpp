#include "extension_list.h"

#include <stdexcept>

namespace activate {

ExtensionList readExtensionList() { throw std::logic_error("not built"); }
ExtensionList splitExtensionValue(const std::string&) { throw std::logic_error("not built"); }
std::string joinExtensionList(const ExtensionList&) { throw std::logic_error("not built"); }
bool belongsToPackage(const ToolState&, const std::string&) { throw std::logic_error("not built"); }
bool isActive(const ToolState&) { throw std::logic_error("not built"); }
void removeOwnEntries(const ToolState&, ExtensionList&, ChangeLines&) { throw std::logic_error("not built"); }
ExtensionList planActivation(const ToolState&, ChangeLines&) { throw std::logic_error("not built"); }
ExtensionList planActivation(const ToolState&, const std::string&, ChangeLines&) { throw std::logic_error("not built"); }
ExtensionList planDeactivation(const ToolState&, ChangeLines&) { throw std::logic_error("not built"); }
ExtensionList planDeactivation(const ToolState&, const std::string&, ChangeLines&) {
    throw std::logic_error("not built");
}
ExtensionList planResetAll(ChangeLines&) { throw std::logic_error("not built"); }

}  // namespace activate
