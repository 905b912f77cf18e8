#include "message_box.h"

#include <locale>
#include <utility>
#include <vector>

#include <boost/algorithm/string/predicate.hpp>

#include "herrorexception.h"

namespace notification {

message_box_function message_box_call = &MessageBoxA;
message_beep_function message_beep_call = &MessageBeep;

namespace {

constexpr int unknown_button_configuration = 12004;
constexpr int unknown_icon = 12005;
constexpr int unexpected_result = 12006;

using style_table = std::vector<std::pair<std::string, int32_t>>;

// The first row whose name matches wins; nothing is trimmed. Each comparison
// takes the global locale as it is at that moment.
const int32_t* find_style(const style_table& table, const std::string& name) {
    for (const auto& row : table) {
        if (boost::algorithm::iequals(row.first, name, std::locale())) return &row.second;
    }
    return nullptr;
}

}  // namespace

int32_t button_flags(const std::string& name) {
    static const style_table table = {
        {"", MB_OK},
        {"ABORTRETRYIGNORE", MB_ABORTRETRYIGNORE},
        {"CANCELTRYCONTINUE", MB_CANCELTRYCONTINUE},
        {"OK", MB_OK},
        {"OKCANCEL", MB_OKCANCEL},
        {"RETRYCANCEL", MB_RETRYCANCEL},
        {"YESNO", MB_YESNO},
        {"YESNOCANCEL", MB_YESNOCANCEL},
    };
    if (const int32_t* style = find_style(table, name)) return *style;
    throw hextcpp::herror_exception(unknown_button_configuration,
                                    "unknown button configuration name in DisplayButtons");
}

int32_t icon_flags(const std::string& name) {
    static const style_table table = {
        {"", 0},
        {"EXCLAMATION", MB_ICONEXCLAMATION},
        {"WARNING", MB_ICONWARNING},
        {"INFORMATION", MB_ICONINFORMATION},
        {"ASTERISK", MB_ICONASTERISK},
        {"QUESTION", MB_ICONQUESTION},
        {"STOP", MB_ICONSTOP},
        {"ERROR", MB_ICONERROR},
        {"HAND", MB_ICONHAND},
    };
    if (const int32_t* style = find_style(table, name)) return *style;
    throw hextcpp::herror_exception(unknown_icon, "unknown icon name in IconName");
}

std::string button_result_name(int32_t result) {
    static const std::vector<std::pair<int32_t, std::string>> table = {
        {IDABORT, "abort"}, {IDCANCEL, "cancel"}, {IDCONTINUE, "continue"},
        {IDIGNORE, "ignore"}, {IDNO, "no"},       {IDOK, "ok"},
        {IDRETRY, "retry"}, {IDTRYAGAIN, "tryagain"}, {IDYES, "yes"},
    };
    for (const auto& row : table) {
        if (row.first == result) return row.second;
    }
    // 0 lands here too: the box could not be shown.
    throw hextcpp::herror_exception(unexpected_result,
                                    "internal error: received unexpected return value from MessageBox");
}

std::string show_message_box(const std::string& caption, const std::string& text, const std::string& buttons,
                             const std::string& icon) {
    const int32_t button_style = button_flags(buttons);
    const int32_t icon_style = icon_flags(icon);
    // No owner window and no style of its own: the first button is the
    // default and the box is modal to the calling thread's application.
    const int result =
        message_box_call(nullptr, text.c_str(), caption.c_str(), static_cast<UINT>(button_style | icon_style));
    return button_result_name(result);
}

void play_default_beep() {
    // A machine without sound is no reason to fail the HALCON program.
    message_beep_call(MB_OK);
}

}  // namespace notification
