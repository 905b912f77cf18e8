// The registry layer: its error type, an owner for open keys and the reading
// of string values.
#ifndef ACTIVATE_REGISTRY_H
#define ACTIVATE_REGISTRY_H

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace winreg {

// A failing registry call: the message names the call, win32Error is the
// code it returned (and is not part of the message).
class RegException : public std::runtime_error {
public:
    RegException(const char* message, std::int32_t win32Error);

    std::int32_t win32Error;
};

// Owns one open registry key, or none, and closes it when it goes or takes
// another.
class RegistryKeyHolder {
public:
    RegistryKeyHolder() = default;
    explicit RegistryKeyHolder(HKEY key) : key_(key) {}
    ~RegistryKeyHolder() { reset(); }

    RegistryKeyHolder(const RegistryKeyHolder&) = delete;
    RegistryKeyHolder& operator=(const RegistryKeyHolder&) = delete;
    RegistryKeyHolder(RegistryKeyHolder&& other) noexcept : key_(other.release()) {}
    RegistryKeyHolder& operator=(RegistryKeyHolder&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    void reset(HKEY key = nullptr) noexcept;
    HKEY release() noexcept;
    HKEY get() const noexcept { return key_; }

private:
    HKEY key_ = nullptr;
};

// Opens parent\subKey with the given access; throws
// RegException("RegOpenKeyEx failed.", code).
RegistryKeyHolder openKey(HKEY parent, const wchar_t* subKey, REGSAM access);

// A string value as stored: its text (references unexpanded) and its type.
struct StoredString {
    std::wstring text;
    DWORD type = REG_SZ;  // REG_SZ or REG_EXPAND_SZ
};

// The REG_SZ or REG_EXPAND_SZ value `name` of the open key as stored,
// without its terminating null. Throws RegException; an absent value gives
// win32Error ERROR_FILE_NOT_FOUND.
StoredString readStringValue(const RegistryKeyHolder& key, const std::wstring& name);

// Stores `value` with its terminating null as `type` (REG_SZ or
// REG_EXPAND_SZ); throws RegException.
void writeStringValue(const RegistryKeyHolder& key, const std::wstring& name, const std::wstring& value,
                      DWORD type = REG_SZ);

// Removes the value; an absent value is a failure. Throws RegException.
void deleteValue(const RegistryKeyHolder& key, const std::wstring& name);

}  // namespace winreg

#endif
