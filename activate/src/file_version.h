// The fixed file version from a file's version resource.
#ifndef ACTIVATE_FILE_VERSION_H
#define ACTIVATE_FILE_VERSION_H

#include <cstdint>
#include <string>

namespace activate {

// Reads the four 16-bit words of the file version of `file` (ANSI path) into
// the outputs that are not null: major and minor from the most significant
// double word (high word first), build and revision from the least
// significant one. On failure the outputs stay untouched, one line
// "Error in <call>: <last error>" goes to the debugger output, and the
// result is false.
bool readFileVersion(const std::string& file, std::int32_t* major, std::int32_t* minor, std::int32_t* build,
                     std::int32_t* revision);

}  // namespace activate

#endif
