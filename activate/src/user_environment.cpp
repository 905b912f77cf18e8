#include "user_environment.h"

#include <optional>
#include <stdexcept>

#include "registry.h"
#include "text_conversion.h"

namespace activate {
namespace {

std::string keyPathText(const std::string& name) { return "HKEY_CURRENT_USER\\Environment\\" + name; }

winreg::RegistryKeyHolder openEnvironmentKey(REGSAM access) {
    return winreg::openKey(HKEY_CURRENT_USER, L"Environment", access);
}

// An absent value is no failure here; every other one is passed on.
std::optional<std::wstring> readStringValueIfPresent(const winreg::RegistryKeyHolder& key, const std::wstring& name) {
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

std::string readUserEnvironmentValue(const std::string& name) {
    std::optional<std::wstring> value;
    try {
        const winreg::RegistryKeyHolder key = openEnvironmentKey(KEY_READ);
        value = readStringValueIfPresent(key, toUtf16(name));
    } catch (const winreg::RegException& error) {
        throw std::runtime_error("Getting registry key " + keyPathText(name) + " failed: " + error.what());
    }
    return value ? toUtf8(*value) : std::string();
}

void writeUserEnvironmentValue(const std::string& name, const std::string& value) {
    try {
        const winreg::RegistryKeyHolder key = openEnvironmentKey(KEY_WRITE);
        const std::wstring wideName = toUtf16(name);
        if (value.empty()) {
            winreg::deleteValue(key, wideName);
        } else {
            winreg::writeStringValue(key, wideName, toUtf16(value));
        }
    } catch (const winreg::RegException& error) {
        throw std::runtime_error((value.empty() ? "Deleting registry key " : "Setting registry key ") + keyPathText(name) +
                                 " failed: " + error.what());
    }
    broadcastEnvironmentChange(name);
}

}  // namespace activate
