// The tool's place on disk, its title and its warning box.
#ifndef ACTIVATE_APPLICATION_H
#define ACTIVATE_APPLICATION_H

#include <string>

namespace activate {

// The directory of the tool's executable (ANSI code page), worked out on the
// first call and kept. Throws std::runtime_error when the executable's path
// cannot be had.
std::string applicationDirectory();

// "Activation Tool for Extension Package", the caption of the tool's boxes.
std::string toolTitle();

// A warning box without owner window; returns when the user has closed it.
// The text goes to the box as it is, 8-bit.
void showWarning(const std::string& text);

}  // namespace activate

#endif
