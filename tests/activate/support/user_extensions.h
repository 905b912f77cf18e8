// The user's HALCONEXTENSIONS in the registry of the test's prefix, read and
// set directly, without the tool's own store.
#ifndef ACTIVATE_USER_EXTENSIONS_H
#define ACTIVATE_USER_EXTENSIONS_H

#include <optional>
#include <string>

namespace activate_test {

// UTF-8 <-> UTF-16 with the system's converter, independent of the tool's.
std::wstring utf16(const std::string& utf8);
std::string utf8(const std::wstring& utf16);

// The value as UTF-8, or nullopt when it is absent. A value that is not a
// string fails the calling test.
std::optional<std::string> rawUserExtensions();

// Stores the value as REG_SZ, or removes it for nullopt.
void setRawUserExtensions(const std::optional<std::string>& value);

// Stores a REG_DWORD under the name, which the tool cannot read as text.
void setUnreadableUserExtensions();

// Keeps the value as it was before the test and puts it back afterwards.
class UserExtensionsRestorer {
public:
    UserExtensionsRestorer();
    ~UserExtensionsRestorer();
    UserExtensionsRestorer(const UserExtensionsRestorer&) = delete;
    UserExtensionsRestorer& operator=(const UserExtensionsRestorer&) = delete;

private:
    bool readable_ = true;
    std::optional<std::string> saved_;
};

}  // namespace activate_test

#endif
