#include "tool_state.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <stdexcept>

#include <boost/algorithm/string/join.hpp>
#include <nlohmann/json.hpp>

#include "application.h"
#include "file_system.h"

namespace activate {

const char* const packageDescriptionFileName = "quellmark-solutions-extpack.json";

namespace {

std::runtime_error openError(const std::string& path) {
    return std::runtime_error("could not find or open package description file\n" + path +
                              "\n.\nPlease try to reinstall the extension package.");
}

std::runtime_error parseError(const std::string& path, const char* message) {
    return std::runtime_error("could not parse package description file\n" + path + "\n.\n" + message +
                              "\n\nPlease try to reinstall the extension package.");
}

std::runtime_error entryError(const std::string& key, const std::string& path, const char* message) {
    return std::runtime_error("could not find or parse entry\n\"" + key + "\"\nin package description file\n" + path +
                              "\n.\n" + message + "\n\nPlease try to reinstall the extension package.");
}

// One JSON value from the start of the file; whatever follows it is not read.
nlohmann::json parseDescriptionFile(const std::string& path) {
    std::ifstream file(path);
    if (!file.good()) throw openError(path);
    nlohmann::json document;
    try {
        file >> document;
    } catch (const std::exception& error) {
        throw parseError(path, error.what());
    }
    return document;
}

// The non-const subscript turns a null document into an object, so a missing
// key reads as null and fails the conversion.
template <typename Field>
void readEntry(nlohmann::json& document, const char* key, const std::string& path, Field& field) {
    try {
        field = document[key].get<Field>();
    } catch (const std::exception& error) {
        throw entryError(key, path, error.what());
    }
}

bool isSupported(const std::string& version, const std::vector<std::string>& supportedVersions) {
    return std::find(supportedVersions.begin(), supportedVersions.end(), version) != supportedVersions.end();
}

}  // namespace

std::string packageDescriptionPath() { return joinPath(applicationDirectory(), packageDescriptionFileName); }

std::string unsupportedVersionWarning(const std::string& detectedVersion,
                                      const std::vector<std::string>& supportedVersions) {
    return "This version of the extension package does not support HALCON " + detectedVersion +
           ".\n\nSupported versions are:\n" + boost::algorithm::join(supportedVersions, ", ") +
           "\n\nTry to update to a new version of the extension package or install one of the supported versions of "
           "HALCON.\nThis program will continue, but it is unlikely to activate or deactivate the extension package "
           "correctly.";
}

void ToolState::readPackageDescription() {
    const std::string path = packageDescriptionPath();
    nlohmann::json document = parseDescriptionFile(path);
    readEntry(document, "name", path, name);
    readEntry(document, "description", path, description);
    readEntry(document, "version", path, version);
    readEntry(document, "supportedHalconVersions", path, supportedHalconVersions);
}

ToolState ToolState::build() {
    ToolState state;
    static_cast<HalconInstallation&>(state) = detectHalcon();
    state.readPackageDescription();
    const std::string detectedVersion = halconVersionString(state);
    if (!isSupported(detectedVersion, state.supportedHalconVersions)) {
        showWarning(unsupportedVersionWarning(detectedVersion, state.supportedHalconVersions));
    }
    return state;
}

ToolState& toolState() {
    static ToolState state;
    return state;
}

}  // namespace activate
