#include "user_extensions.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace activate_test {
namespace {

const wchar_t* const valueName = L"HALCONEXTENSIONS";

class EnvironmentKey {
public:
    explicit EnvironmentKey(REGSAM access) {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Environment", 0, access, &key_) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot open HKEY_CURRENT_USER\\Environment");
        }
    }
    ~EnvironmentKey() { RegCloseKey(key_); }
    EnvironmentKey(const EnvironmentKey&) = delete;
    EnvironmentKey& operator=(const EnvironmentKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The value's type, or REG_NONE when it is absent.
DWORD valueType() {
    const EnvironmentKey key(KEY_READ);
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) return REG_NONE;
    return type;
}

DWORD registryType(StoredType type) { return type == StoredType::expandable ? REG_EXPAND_SZ : REG_SZ; }

}  // namespace

std::wstring utf16(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    if (length <= 0) throw std::runtime_error("not UTF-8: " + text);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], length, nullptr, nullptr);
    return narrow;
}

std::optional<std::string> rawUserExtensions(StoredType expected) {
    const EnvironmentKey key(KEY_READ);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    EXPECT_EQ(type, registryType(expected)) << "type of HALCONEXTENSIONS (REG_SZ 1, REG_EXPAND_SZ 2)";
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
    EXPECT_EQ(RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size),
              ERROR_SUCCESS);
    std::wstring value(data.data(), size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return utf8(value);
}

void setRawUserExtensions(const std::optional<std::string>& value, StoredType type) {
    const EnvironmentKey key(KEY_WRITE);
    if (!value) {
        RegDeleteValueW(key.get(), valueName);
        return;
    }
    const std::wstring wide = utf16(*value);
    ASSERT_EQ(RegSetValueExW(key.get(), valueName, 0, registryType(type), reinterpret_cast<const BYTE*>(wide.c_str()),
                             static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

void setUnreadableUserExtensions() {
    const EnvironmentKey key(KEY_WRITE);
    const DWORD number = 7;
    ASSERT_EQ(RegSetValueExW(key.get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number),
              ERROR_SUCCESS);
}

UserExtensionsRestorer::UserExtensionsRestorer() {
    const DWORD type = valueType();
    readable_ = type == REG_NONE || type == REG_SZ || type == REG_EXPAND_SZ;
    if (type == REG_EXPAND_SZ) savedType_ = StoredType::expandable;
    if (type != REG_NONE && readable_) saved_ = rawUserExtensions(savedType_);
}

UserExtensionsRestorer::~UserExtensionsRestorer() {
    if (readable_) setRawUserExtensions(saved_, savedType_);
}

}  // namespace activate_test
