// The user environment store against the registry of the test's own prefix.
// Every test works on values of its own, absent before and after it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "registry.h"
#include "user_environment.h"

namespace {

struct RawValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

winreg::RegistryKeyHolder openEnvironment(REGSAM access) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Environment", 0, access, &key), ERROR_SUCCESS);
    return winreg::RegistryKeyHolder(key);
}

std::optional<RawValue> queryRaw(const std::wstring& name) {
    const auto key = openEnvironment(KEY_READ);
    RawValue value;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    EXPECT_EQ(RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, value.data.data(), &size),
              ERROR_SUCCESS);
    value.data.resize(size);
    return value;
}

void setRaw(const std::wstring& name, DWORD type, const void* data, std::size_t size) {
    const auto key = openEnvironment(KEY_WRITE);
    ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                             static_cast<DWORD>(size)),
              ERROR_SUCCESS);
}

void setRawUnits(const std::wstring& name, const std::wstring& units) {
    setRaw(name, REG_SZ, units.data(), units.size() * sizeof(wchar_t));
}

std::vector<BYTE> bytesOf(const std::wstring& units) {
    std::vector<BYTE> bytes(units.size() * sizeof(wchar_t));
    if (!bytes.empty()) std::memcpy(bytes.data(), units.data(), bytes.size());
    return bytes;
}

// A value name of this test alone: UTF-8 for the store, UTF-16 as written
// independently for the checks.
class TestValue {
public:
    TestValue(const std::string& utf8Stem, const std::wstring& utf16Stem) {
        const std::string suffix = "_" + std::to_string(GetCurrentProcessId());
        name_ = "ACTIVATE_TEST_" + utf8Stem + suffix;
        wideName_ = L"ACTIVATE_TEST_" + utf16Stem + std::wstring(suffix.begin(), suffix.end());
        remove();
    }
    explicit TestValue(const std::string& asciiStem) : TestValue(asciiStem, std::wstring(asciiStem.begin(), asciiStem.end())) {}
    ~TestValue() { remove(); }
    TestValue(const TestValue&) = delete;
    TestValue& operator=(const TestValue&) = delete;

    const std::string& name() const { return name_; }
    const std::wstring& wideName() const { return wideName_; }
    std::string keyPath() const { return "HKEY_CURRENT_USER\\Environment\\" + name_; }

private:
    void remove() const {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Environment", 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, wideName_.c_str());
            RegCloseKey(key);
        }
    }
    std::string name_;
    std::wstring wideName_;
};

// A hidden top-level window of the test's thread that notes every
// WM_SETTINGCHANGE and what the watched value held when it came.
class SettingChangeRecorder {
public:
    struct Notice {
        WPARAM wParam;
        std::string area;
        std::optional<RawValue> watchedValue;
    };

    explicit SettingChangeRecorder(std::wstring watchedName) : watchedName_(std::move(watchedName)) {
        static const ATOM windowClass = [] {
            WNDCLASSW description{};
            description.lpfnWndProc = &SettingChangeRecorder::procedure;
            description.hInstance = GetModuleHandleW(nullptr);
            description.lpszClassName = L"ActivateTestSettingChangeRecorder";
            return RegisterClassW(&description);
        }();
        EXPECT_NE(windowClass, 0);
        window_ = CreateWindowExW(0, L"ActivateTestSettingChangeRecorder", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(window_, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~SettingChangeRecorder() { DestroyWindow(window_); }
    SettingChangeRecorder(const SettingChangeRecorder&) = delete;
    SettingChangeRecorder& operator=(const SettingChangeRecorder&) = delete;

    // Only the notices about the environment: other parts of the system may
    // broadcast too.
    std::vector<Notice> environmentNotices() const {
        std::vector<Notice> result;
        for (const Notice& notice : notices_) {
            if (notice.area == "Environment") result.push_back(notice);
        }
        return result;
    }

private:
    // The area the message names. Windows gives a Unicode window the text of
    // SendMessageTimeoutA as UTF-16, Wine passes the 8-bit text on as it is.
    static std::string areaText(LPARAM lParam) {
        const auto* bytes = reinterpret_cast<const char*>(lParam);
        if (!bytes || !bytes[0]) return "";
        if (bytes[1] != '\0') return bytes;
        std::string narrowed;
        for (const wchar_t* unit = reinterpret_cast<const wchar_t*>(lParam); *unit; ++unit) {
            narrowed += *unit < 0x80 ? static_cast<char>(*unit) : '?';
        }
        return narrowed;
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<SettingChangeRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_SETTINGCHANGE && self) {
            self->notices_.push_back({wParam, areaText(lParam), queryRaw(self->watchedName_)});
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::wstring watchedName_;
    HWND window_ = nullptr;
    std::vector<Notice> notices_;
};

template <typename Exception, typename Action>
void expectThrowsExactly(Action action, const std::string& text) {
    try {
        action();
        ADD_FAILURE() << "no exception; expected: " << text;
    } catch (const std::exception& error) {
        EXPECT_EQ(typeid(error), typeid(Exception)) << error.what();
        EXPECT_EQ(error.what(), text);
    }
}

// --- reading ------------------------------------------------------------------

TEST(ReadUserEnvironmentValue, ReadsAnAbsentValueAsEmpty) {
    const TestValue value("ABSENT");
    EXPECT_EQ(activate::readUserEnvironmentValue(value.name()), "");
}

TEST(ReadUserEnvironmentValue, ReadsTheStoredTextWithoutItsTerminatingNull) {
    const TestValue value("STORED");
    struct Case {
        std::wstring data;  // as stored
        std::string text;
    };
    const Case cases[] = {
        {std::wstring(1, L'\0'), ""},    // an empty string: the null alone
        {std::wstring(), ""},             // no data at all
        {std::wstring(L"abc", 4), "abc"},
        {L"abc", "abc"},                  // stored without its null
    };
    for (const Case& c : cases) {
        setRawUnits(value.wideName(), c.data);
        EXPECT_EQ(activate::readUserEnvironmentValue(value.name()), c.text) << c.data.size() << " units";
    }
}

TEST(ReadUserEnvironmentValue, ReportsAValueOfAnotherTypeWithTheSizeReadText) {
    const TestValue value("DWORD");
    const DWORD number = 42;
    setRaw(value.wideName(), REG_DWORD, &number, sizeof number);
    expectThrowsExactly<std::runtime_error>(
        [&] { activate::readUserEnvironmentValue(value.name()); },
        "Getting registry key " + value.keyPath() + " failed: Cannot get size of string value: RegGetValue failed.");
}

TEST(ReadUserEnvironmentValue, ReportsAnUnpairedSurrogateAsABadConversion) {
    const TestValue value("SURROGATE");
    setRawUnits(value.wideName(), std::wstring{L'x', static_cast<wchar_t>(0xD800), L'y', L'\0'});
    expectThrowsExactly<std::range_error>([&] { activate::readUserEnvironmentValue(value.name()); }, "bad conversion");
}

// Windows' environment editor stores a value with %VARIABLE% references as
// REG_EXPAND_SZ; the references are the user's and must survive the tool.
TEST(ReadUserEnvironment, GivesTheTextAsStoredAndWhetherItIsExpandable) {
    const TestValue value("EXPANDABLE");
    const std::wstring stored = L"%SystemRoot%\\pkgs\\x;C:\\foreign";
    for (const DWORD type : {DWORD{REG_EXPAND_SZ}, DWORD{REG_SZ}}) {
        setRaw(value.wideName(), type, stored.c_str(), (stored.size() + 1) * sizeof(wchar_t));
        const activate::UserEnvironmentValue read = activate::readUserEnvironment(value.name());
        EXPECT_EQ(read.text, "%SystemRoot%\\pkgs\\x;C:\\foreign") << "type " << type;
        EXPECT_EQ(read.expandable, type == REG_EXPAND_SZ) << "type " << type;
        EXPECT_EQ(activate::readUserEnvironmentValue(value.name()), read.text) << "type " << type;
    }

    const TestValue absent("EXPANDABLE_ABSENT");
    const activate::UserEnvironmentValue none = activate::readUserEnvironment(absent.name());
    EXPECT_EQ(none.text, "");
    EXPECT_FALSE(none.expandable);
}

TEST(ReadStringValue, GivesTheRegistryCodeWithItsError) {
    const TestValue absent("RAW_ABSENT");
    const TestValue number("RAW_DWORD");
    const DWORD data = 7;
    setRaw(number.wideName(), REG_DWORD, &data, sizeof data);
    const auto key = openEnvironment(KEY_READ);
    struct Case {
        const TestValue& value;
        std::int32_t code;
    };
    const Case cases[] = {{absent, ERROR_FILE_NOT_FOUND}, {number, ERROR_UNSUPPORTED_TYPE}};
    for (const Case& c : cases) {
        try {
            winreg::readStringValue(key, c.value.wideName());
            ADD_FAILURE() << c.value.name() << ": no exception";
        } catch (const winreg::RegException& error) {
            EXPECT_STREQ(error.what(), "Cannot get size of string value: RegGetValue failed.");
            EXPECT_EQ(error.win32Error, c.code) << c.value.name();
        }
    }
}

// --- writing ------------------------------------------------------------------

TEST(WriteUserEnvironmentValue, StoresRegSzWithTheTerminatingNullAndReadsItBack) {
    const TestValue ascii("ASCII");
    const TestValue wide("Gr\xC3\xBC\xC3\x9F" "e", L"Gr\u00FC\u00DFe");
    struct Case {
        const TestValue& value;
        std::string text;
        std::wstring units;  // as they must lie in the registry, the null included
    };
    const Case cases[] = {
        {ascii, "abc", std::wstring(L"abc", 4)},  // three characters: 8 bytes
        {wide, "Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9D\x84\x9E;C:\\x",
         std::wstring{L'Z', 0xFC, L'r', L'i', L'c', L'h', L' ', 0x20AC, L' ', static_cast<wchar_t>(0xD834),
                      static_cast<wchar_t>(0xDD1E), L';', L'C', L':', L'\\', L'x', L'\0'}},
    };
    for (const Case& c : cases) {
        activate::writeUserEnvironmentValue(c.value.name(), c.text);
        const auto stored = queryRaw(c.value.wideName());
        ASSERT_TRUE(stored) << c.value.name();
        EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored->data, bytesOf(c.units));
        EXPECT_EQ(activate::readUserEnvironmentValue(c.value.name()), c.text);
    }
    EXPECT_EQ(queryRaw(ascii.wideName())->data.size(), 8u);
}

TEST(WriteUserEnvironmentValue, WritesAValueBackWithTheTypeItWasReadWith) {
    const TestValue value("ROUND_TRIP");
    const std::wstring stored = L"%SystemRoot%\\pkgs\\x;C:\\foreign";
    for (const DWORD type : {DWORD{REG_EXPAND_SZ}, DWORD{REG_SZ}}) {
        setRaw(value.wideName(), type, stored.c_str(), (stored.size() + 1) * sizeof(wchar_t));
        activate::UserEnvironmentValue read = activate::readUserEnvironment(value.name());
        read.text += ";C:\\added";
        activate::writeUserEnvironmentValue(value.name(), read);
        const auto written = queryRaw(value.wideName());
        ASSERT_TRUE(written);
        EXPECT_EQ(written->type, type);
        EXPECT_EQ(written->data, bytesOf(stored + L";C:\\added" + L'\0')) << "type " << type;
    }
}

TEST(WriteUserEnvironmentValue, BroadcastsTheChangeAfterItIsStored) {
    const TestValue value("BROADCAST");
    const SettingChangeRecorder recorder(value.wideName());
    activate::writeUserEnvironmentValue(value.name(), "after");

    const auto notices = recorder.environmentNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].wParam, 0u);
    ASSERT_TRUE(notices[0].watchedValue);
    EXPECT_EQ(notices[0].watchedValue->data, bytesOf(std::wstring(L"after", 6)));
}

TEST(WriteUserEnvironmentValue, DeletesTheValueForAnEmptyText) {
    const TestValue value("DELETE");
    setRawUnits(value.wideName(), std::wstring(L"old", 4));
    const SettingChangeRecorder recorder(value.wideName());
    activate::writeUserEnvironmentValue(value.name(), "");

    EXPECT_FALSE(queryRaw(value.wideName()));
    const auto notices = recorder.environmentNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_FALSE(notices[0].watchedValue);  // already gone when the programs are told
}

TEST(WriteUserEnvironmentValue, FailsToDeleteAnAbsentValueAndBroadcastsNothing) {
    const TestValue value("DELETE_ABSENT");
    const SettingChangeRecorder recorder(value.wideName());
    expectThrowsExactly<std::runtime_error>([&] { activate::writeUserEnvironmentValue(value.name(), ""); },
                                            "Deleting registry key " + value.keyPath() +
                                                " failed: RegDeleteValue failed.");
    EXPECT_TRUE(recorder.environmentNotices().empty());
}

TEST(WriteUserEnvironmentValue, RejectsMalformedTextBeforeWritingAnything) {
    const TestValue value("MALFORMED");
    const SettingChangeRecorder recorder(value.wideName());
    expectThrowsExactly<std::range_error>([&] { activate::writeUserEnvironmentValue(value.name(), "a\xFF"); },
                                          "bad conversion");
    EXPECT_FALSE(queryRaw(value.wideName()));
    expectThrowsExactly<std::range_error>(
        [&] { activate::writeUserEnvironmentValue(value.name() + "\xED\xA0\x80", "x"); }, "bad conversion");
    expectThrowsExactly<std::range_error>([&] { activate::readUserEnvironmentValue("\xC0\x80"); }, "bad conversion");
    EXPECT_TRUE(recorder.environmentNotices().empty());
}

// --- expanding references -------------------------------------------------------

TEST(ExpandEnvironmentReferences, ReplacesTheVariablesOfThisProcessAndKeepsUnknownOnes) {
    const std::string longValue(5000, 'a');
    ASSERT_TRUE(SetEnvironmentVariableW(L"ACTIVATE_TEST_EXPANDED", L"C:\\Gr\u00FC\u00DFe"));
    ASSERT_TRUE(SetEnvironmentVariableA("ACTIVATE_TEST_LONG", longValue.c_str()));
    struct Case {
        std::string text;
        std::string expanded;
    };
    const Case cases[] = {
        {"%ACTIVATE_TEST_EXPANDED%\\halcon-13.0\\pkg", "C:\\Gr\xC3\xBC\xC3\x9F" "e\\halcon-13.0\\pkg"},
        {"%activate_test_expanded%;%ACTIVATE_TEST_NOT_SET%", "C:\\Gr\xC3\xBC\xC3\x9F" "e;%ACTIVATE_TEST_NOT_SET%"},
        {"%ACTIVATE_TEST_LONG%\\x", longValue + "\\x"},  // longer than the text
        {"no references; 100%", "no references; 100%"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(activate::expandEnvironmentReferences(c.text), c.expanded) << c.text;
    SetEnvironmentVariableW(L"ACTIVATE_TEST_EXPANDED", nullptr);
    SetEnvironmentVariableW(L"ACTIVATE_TEST_LONG", nullptr);
}

}  // namespace
