#include "registry.h"

#include <limits>

namespace winreg {

RegException::RegException(const char* message, std::int32_t win32Error)
    : std::runtime_error(message), win32Error(win32Error) {}

void RegistryKeyHolder::reset(HKEY key) noexcept {
    if (key_ && key_ != key) RegCloseKey(key_);
    key_ = key;
}

HKEY RegistryKeyHolder::release() noexcept {
    HKEY key = key_;
    key_ = nullptr;
    return key;
}

RegistryKeyHolder openKey(HKEY parent, const wchar_t* subKey, REGSAM access) {
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExW(parent, subKey, 0, access, &key);
    if (result != ERROR_SUCCESS) throw RegException("RegOpenKeyEx failed.", result);
    return RegistryKeyHolder(key);
}

StoredString readStringValue(const RegistryKeyHolder& key, const std::wstring& name) {
    // As stored: without RRF_NOEXPAND a REG_EXPAND_SZ value comes expanded.
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    DWORD byteCount = 0;
    LONG result = RegGetValueW(key.get(), nullptr, name.c_str(), flags, nullptr, nullptr, &byteCount);
    if (result != ERROR_SUCCESS) throw RegException("Cannot get size of string value: RegGetValue failed.", result);

    StoredString stored;
    std::wstring& value = stored.text;
    value.assign(byteCount / sizeof(wchar_t), L'\0');
    result = RegGetValueW(key.get(), nullptr, name.c_str(), flags, &stored.type, &value[0], &byteCount);
    if (result != ERROR_SUCCESS) throw RegException("Cannot get string value: RegGetValue failed.", result);

    // The count is now what was written, the terminating null included; a
    // count without room for the null must not cut into the text.
    std::size_t length = byteCount / sizeof(wchar_t);
    if (length > value.size()) length = value.size();
    if (length > 0 && value[length - 1] == L'\0') --length;
    value.resize(length);
    return stored;
}

void writeStringValue(const RegistryKeyHolder& key, const std::wstring& name, const std::wstring& value, DWORD type) {
    const std::size_t unitsWithNull = value.size() + 1;
    if (unitsWithNull > std::numeric_limits<DWORD>::max() / sizeof(wchar_t)) {
        throw RegException("Cannot write string value: RegSetValueEx failed.", ERROR_ARITHMETIC_OVERFLOW);
    }
    const LONG result = RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(unitsWithNull * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS) throw RegException("Cannot write string value: RegSetValueEx failed.", result);
}

void deleteValue(const RegistryKeyHolder& key, const std::wstring& name) {
    const LONG result = RegDeleteValueW(key.get(), name.c_str());
    if (result != ERROR_SUCCESS) throw RegException("RegDeleteValue failed.", result);
}

}  // namespace winreg
