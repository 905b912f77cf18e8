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

// How a string value is stored: REG_SZ, or REG_EXPAND_SZ, whose %VARIABLE%
// references Windows expands for a program's environment.
enum class StoredType { plain, expandable };

// The value as UTF-8, as stored (references unexpanded), or nullopt when it
// is absent. A value of another type than `expected` fails the calling test.
std::optional<std::string> rawUserExtensions(StoredType expected = StoredType::plain);

// Stores the value with the given type, or removes it for nullopt.
void setRawUserExtensions(const std::optional<std::string>& value, StoredType type = StoredType::plain);

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
    StoredType savedType_ = StoredType::plain;
    std::optional<std::string> saved_;
};

}  // namespace activate_test

#endif
