// The user's environment variables as Windows keeps them: string values of
// HKEY_CURRENT_USER\Environment. Names and values are UTF-8.
#ifndef ACTIVATE_USER_ENVIRONMENT_H
#define ACTIVATE_USER_ENVIRONMENT_H

#include <string>

namespace activate {

// A variable as stored. Windows' own environment editor stores a value that
// holds %VARIABLE% references as REG_EXPAND_SZ and expands it only when it
// builds a program's environment; in a REG_SZ value "%X%" is plain text.
struct UserEnvironmentValue {
    std::string text;         // as stored, references unexpanded
    bool expandable = false;  // stored as REG_EXPAND_SZ
};

// The variable as stored; {"", false} when it does not exist. Throws
// std::runtime_error ("Getting registry key ... failed: ...") or
// std::range_error.
UserEnvironmentValue readUserEnvironment(const std::string& name);

// The stored text of the variable, as readUserEnvironment gives it.
std::string readUserEnvironmentValue(const std::string& name);

// Stores a non-empty text (REG_EXPAND_SZ when expandable, REG_SZ otherwise),
// deletes the variable for an empty one, then tells the running programs.
// Throws std::runtime_error ("Setting registry key ...", "Deleting registry
// key ...", or the broadcast failure after a stored change) or
// std::range_error; nothing is broadcast after a failed write.
void writeUserEnvironmentValue(const std::string& name, const UserEnvironmentValue& value);

// The same for a REG_SZ value.
void writeUserEnvironmentValue(const std::string& name, const std::string& value);

// The text with its %VARIABLE% references replaced from this process's
// environment, as Windows expands a REG_EXPAND_SZ value; a reference to an
// unknown variable stays as written. Throws std::range_error for text that
// is not UTF-8, std::system_error when the system cannot expand it.
std::string expandEnvironmentReferences(const std::string& text);

}  // namespace activate

#endif
