#include "halcon_installation.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include <boost/algorithm/string/join.hpp>

#include "file_system.h"
#include "file_version.h"

namespace activate {
namespace {

std::runtime_error variableNotSetError(const std::string& name) {
    return std::runtime_error(
        "could not detect your current version of HALCON. The environment variable\n" + name +
        "\nis not set. Try re-running the HALCON installer or set the environment variable manually.");
}

std::runtime_error binDirectoryMissingError(const std::string& binDirectory) {
    return std::runtime_error("could not find directory\n%HALCONROOT%\\bin\\%HALCONARCH%\n( " + binDirectory +
                              " ).\nTry re-running the HALCON installer or set the environment variables HALCONROOT "
                              "and HALCONARCH manually.");
}

std::runtime_error libraryMissingError(const std::string& binDirectory, const std::vector<std::string>& candidates) {
    return std::runtime_error("could not find the HALCON library in directory\n" + binDirectory +
                              "\n.\n Try re-running the HALCON installer or set the environment variables HALCONROOT "
                              "and HALCONARCH manually. Tried the following paths to find a suitable DLL: " +
                              boost::algorithm::join(candidates, "; "));
}

std::runtime_error versionUnreadableError(const std::string& library) {
    return std::runtime_error("could not get the major and minor version from\n" + library +
                              "\n.\n Try re-running the HALCON installer.");
}

}  // namespace

std::string readEnvironmentVariable(const std::string& name) {
    // The C runtime's own copy of the environment, as the tool was started
    // with it. The value is copied at once: the runtime may move it later.
    const char* value = std::getenv(name.c_str());
    if (!value) throw variableNotSetError(name);
    return value;
}

std::string halconBinDirectory(const std::string& halconRoot, const std::string& halconArch) {
    return halconRoot + "\\bin\\" + halconArch;
}

std::vector<std::string> halconLibraryCandidates(const std::string& binDirectory) {
    return {binDirectory + "\\halcon.dll", binDirectory + "\\halconxl.dll"};
}

HalconInstallation detectHalcon() {
    HalconInstallation installation;
    installation.halconRoot = readEnvironmentVariable("HALCONROOT");
    installation.halconArch = readEnvironmentVariable("HALCONARCH");

    const std::string binDirectory = halconBinDirectory(installation.halconRoot, installation.halconArch);
    if (pathKind(pathFromNarrow(binDirectory)) != PathKind::directory) throw binDirectoryMissingError(binDirectory);

    // Any entry of the name counts, even a directory: its version read then
    // fails and names it.
    const std::vector<std::string> candidates = halconLibraryCandidates(binDirectory);
    const auto library = std::find_if(candidates.begin(), candidates.end(), [](const std::string& candidate) {
        return pathKind(pathFromNarrow(candidate)) != PathKind::absent;
    });
    if (library == candidates.end()) throw libraryMissingError(binDirectory, candidates);

    if (!readFileVersion(*library, &installation.major, &installation.minor, nullptr, nullptr)) {
        throw versionUnreadableError(*library);
    }
    return installation;
}

std::string halconVersionString(const HalconInstallation& installation) {
    return std::to_string(installation.major) + "." + std::to_string(installation.minor);
}

std::string versionDirectoryName(const HalconInstallation& installation) {
    return "halcon-" + halconVersionString(installation);
}

}  // namespace activate
