// Which HALCON the current user runs: found through HALCONROOT and
// HALCONARCH, its version read from the HALCON library's file version.
#ifndef ACTIVATE_HALCON_INSTALLATION_H
#define ACTIVATE_HALCON_INSTALLATION_H

#include <cstdint>
#include <string>
#include <vector>

namespace activate {

struct HalconInstallation {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::string halconRoot;  // exactly as read
    std::string halconArch;  // exactly as read
};

// Finds the installation from the tool's process environment. Throws
// std::runtime_error with a text that tells the user what to do, or
// std::filesystem::filesystem_error when a path cannot be queried.
HalconInstallation detectHalcon();

// The variable's value in the tool's process environment; present but empty
// gives "". Absent: throws the "is not set" std::runtime_error.
std::string readEnvironmentVariable(const std::string& name);

// halconRoot + "\bin\" + halconArch, joined as text.
std::string halconBinDirectory(const std::string& halconRoot, const std::string& halconArch);

// The HALCON libraries to look for in the bin directory, in order.
std::vector<std::string> halconLibraryCandidates(const std::string& binDirectory);

// "13.0", "18.11": major, a point, minor.
std::string halconVersionString(const HalconInstallation& installation);

// "halcon-13.0".
std::string versionDirectoryName(const HalconInstallation& installation);

}  // namespace activate

#endif
