#include "user_environment.h"

#include <optional>
#include <stdexcept>
#include <system_error>

#include "registry.h"
#include "text_conversion.h"

namespace activate {
namespace {

std::string keyPathText(const std::string& name) { return "HKEY_CURRENT_USER\\Environment\\" + name; }

winreg::RegistryKeyHolder openEnvironmentKey(REGSAM access) {
    return winreg::openKey(HKEY_CURRENT_USER, L"Environment", access);
}

// An absent value is no failure here; every other one is passed on.
std::optional<winreg::StoredString> readStringValueIfPresent(const winreg::RegistryKeyHolder& key,
                                                             const std::wstring& name) {
    try {
        return winreg::readStringValue(key, name);
    } catch (const winreg::RegException& error) {
        if (error.win32Error == ERROR_FILE_NOT_FOUND) return std::nullopt;
        throw;
    }
}

void broadcastEnvironmentChange(const std::string& name) {
    const LRESULT sent = SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                                             reinterpret_cast<LPARAM>("Environment"), SMTO_ABORTIFHUNG, 5000,
                                             nullptr);
    if (sent == 0) {
        throw std::runtime_error("The environment variable " + name +
                                 " could be changed, but the operating system failed to broadcast the change");
    }
}

}  // namespace

UserEnvironmentValue readUserEnvironment(const std::string& name) {
    std::optional<winreg::StoredString> stored;
    try {
        const winreg::RegistryKeyHolder key = openEnvironmentKey(KEY_READ);
        stored = readStringValueIfPresent(key, toUtf16(name));
    } catch (const winreg::RegException& error) {
        throw std::runtime_error("Getting registry key " + keyPathText(name) + " failed: " + error.what());
    }
    if (!stored) return {};
    return {toUtf8(stored->text), stored->type == REG_EXPAND_SZ};
}

std::string readUserEnvironmentValue(const std::string& name) { return readUserEnvironment(name).text; }

void writeUserEnvironmentValue(const std::string& name, const UserEnvironmentValue& value) {
    const bool deleting = value.text.empty();
    try {
        const winreg::RegistryKeyHolder key = openEnvironmentKey(KEY_WRITE);
        const std::wstring wideName = toUtf16(name);
        if (deleting) {
            winreg::deleteValue(key, wideName);
        } else {
            winreg::writeStringValue(key, wideName, toUtf16(value.text), value.expandable ? REG_EXPAND_SZ : REG_SZ);
        }
    } catch (const winreg::RegException& error) {
        throw std::runtime_error((deleting ? "Deleting registry key " : "Setting registry key ") + keyPathText(name) +
                                 " failed: " + error.what());
    }
    broadcastEnvironmentChange(name);
}

void writeUserEnvironmentValue(const std::string& name, const std::string& value) {
    writeUserEnvironmentValue(name, UserEnvironmentValue{value, false});
}

std::string expandEnvironmentReferences(const std::string& text) {
    const std::wstring wide = toUtf16(text);
    std::wstring expanded(wide.size() + 1, L'\0');
    for (;;) {
        const DWORD needed =
            ExpandEnvironmentStringsW(wide.c_str(), &expanded[0], static_cast<DWORD>(expanded.size()));
        if (needed == 0) {
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "ExpandEnvironmentStrings");
        }
        // The count includes the terminating null.
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);
            return toUtf8(expanded);
        }
        expanded.assign(needed, L'\0');
    }
}

}  // namespace activate
