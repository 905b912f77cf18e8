// The user's environment variables as Windows keeps them: string values of
// HKEY_CURRENT_USER\Environment. Names and values are UTF-8.
#ifndef ACTIVATE_USER_ENVIRONMENT_H
#define ACTIVATE_USER_ENVIRONMENT_H

#include <string>

namespace activate {

// The value, or "" when it does not exist. Throws std::runtime_error
// ("Getting registry key ... failed: ...") or std::range_error.
std::string readUserEnvironmentValue(const std::string& name);

// Stores a non-empty value, deletes the variable for an empty one, then tells
// the running programs. Throws std::runtime_error ("Setting registry key ...",
// "Deleting registry key ...", or the broadcast failure after a stored
// change) or std::range_error; nothing is broadcast after a failed write.
void writeUserEnvironmentValue(const std::string& name, const std::string& value);

}  // namespace activate

#endif
