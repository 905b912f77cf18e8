// The tool's texts as its tests expect to see them in its boxes and plans.
#ifndef ACTIVATE_CHANGE_TEXTS_H
#define ACTIVATE_CHANGE_TEXTS_H

#include <string>

namespace activate_test {

inline const std::string toolBoxTitle = "Activation Tool for Extension Package";

inline std::string activationHeader(const std::string& version) {
    return "Activate this Extension Package for the current user for the detected HALCON version HALCON " + version +
           ".\nAfter a restart of HDevelop, the operators of this Extension Package will be available for usage "
           "with HDevelop and HDevelop XL for architectures x86sse2-win32 and x64-win64.\n";
}
inline std::string removal(const std::string& entry) {
    return " - removing from environment variable HALCONEXTENSIONS: " + entry;
}
inline std::string prepend(const std::string& entry) {
    return " - prepend environment variable HALCONEXTENSIONS with: " + entry;
}

}  // namespace activate_test

#endif
