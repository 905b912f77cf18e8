// What the tool knows for its whole run: the detected HALCON installation
// and the description of the package it belongs to.
#ifndef ACTIVATE_TOOL_STATE_H
#define ACTIVATE_TOOL_STATE_H

#include <string>
#include <vector>

#include "halcon_installation.h"

namespace activate {

// The description file's entries, UTF-8 as the JSON library yields them.
struct PackageDescription {
    std::string name;
    std::string description;
    std::string version;
    std::vector<std::string> supportedHalconVersions;
};

// The name of the package description file beside the tool.
extern const char* const packageDescriptionFileName;

class ToolState : public HalconInstallation, public PackageDescription {
public:
    // The empty state, before start-up has built the real one.
    ToolState() = default;

    // Detects HALCON, reads the package description and warns (and goes on)
    // when the detected version is not among the supported ones. Throws
    // std::runtime_error or a type derived from it.
    static ToolState build();

    // Fills the package description from the file beside the tool. Throws
    // std::runtime_error with a text for the user.
    void readPackageDescription();

    std::string descriptionText() const { return description; }
};

// The tool's one state, empty until start-up assigns the built one.
ToolState& toolState();

// The path of the package description file.
std::string packageDescriptionPath();

// The warning shown for a detected version that the package does not list.
std::string unsupportedVersionWarning(const std::string& detectedVersion,
                                      const std::vector<std::string>& supportedVersions);

}  // namespace activate

#endif
