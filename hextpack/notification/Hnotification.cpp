// Package entry: opens the package with HALCON and registers its operators.
#include <cstdio>
#include <string>

#include "halcon_interface.h"
#include "notification_operators.h"

namespace {

#if defined(_WIN64)
constexpr const char* source_name = "halcon-13.0\\notification\\.tmpsrc\\x64-win64\\Hnotification";
#else
constexpr const char* source_name = "halcon-13.0\\quorvane\\.tmpsrc\\x86sse2-win32\\Hnotification";
#endif

constexpr int32_t halcon_version = (13 << 16) + (0 << 8) + 1;
constexpr int32_t package_flags = (0x0400 << 16) | (1 << 0);
constexpr int32_t operator_count = 9;

int32_t operator_offset = -1;

// Announces the call to HALCON's spy when it asks, makes it, and hands a
// failure to HProcessErr. Returns 2 or the status the caller must return.
template <typename Call>
Herror traced_call(const std::string& call_text, int32_t line, Call&& call) {
    if (IOGetSpyProcCallSwitch()) {
        IOSpyProcCall(call_text.c_str(), line, source_name);
    }
    const Herror status = call();
    if (status == H_MSG_TRUE) {
        return H_MSG_TRUE;
    }
    const Herror reported = HProcessErr(call_text.c_str(), status, line, source_name);
    return reported != H_MSG_TRUE ? reported : status;
}

using entry_function = Herror (*)(Hproc_handle);

struct operator_row {
    int32_t index;
    const char* name;
    const char* entry_name;
    entry_function entry;
    int32_t iconic_inputs;
    int32_t iconic_outputs;
    int32_t control_inputs;
    int32_t control_outputs;
    const char* input_types;   // null when there are no control inputs
    const char* output_types;  // null when there are no control outputs
    int32_t first_line;
};

constexpr operator_row operator_table[] = {
    {0, "message_box", "CMessageBox", CMessageBox, 0, 0, 4, 1, "ssss", "s", 37},
    {1, "set_tray_icon_context_menu", "CSetTrayIconContextMenu", CSetTrayIconContextMenu, 0, 0, 2, 0, "iS", nullptr, 57},
    {2, "display_balloon_image", "CDisplayBalloonImage", CDisplayBalloonImage, 1, 0, 3, 0, "iss", nullptr, 76},
    {3, "display_balloon", "CDisplayBalloon", CDisplayBalloon, 0, 0, 4, 0, "isss", nullptr, 95},
    {4, "clear_all_tray_icons", "CClearAllTrayIcons", CClearAllTrayIcons, 0, 0, 0, 0, nullptr, nullptr, 114},
    {5, "clear_tray_icon", "CClearTrayIcon", CClearTrayIcon, 0, 0, 1, 0, "i", nullptr, 132},
    {6, "create_tray_icon_image", "CCreateTrayIconImage", CCreateTrayIconImage, 1, 0, 2, 1, "si", "i", 151},
    {7, "create_tray_icon", "CCreateTrayIcon", CCreateTrayIcon, 0, 0, 3, 1, "ssi", "i", 171},
    {8, "beep", "CBeep", CBeep, 0, 0, 0, 0, nullptr, nullptr, 191},
};

// The registration calls of one operator, each traced with its own line.
class operator_registration {
public:
    operator_registration(int32_t xid, const operator_row& row) : xid_(xid), row_(row), line_(row.first_line) {}

    Herror run() {
        Herror status = H_MSG_TRUE;
        if (row_.input_types && (status = types(0, row_.input_types)) != H_MSG_TRUE) return status;
        if (row_.output_types && (status = types(1, row_.output_types)) != H_MSG_TRUE) return status;
        const int32_t counts[] = {row_.iconic_inputs, row_.iconic_outputs, row_.control_inputs, row_.control_outputs};
        for (int32_t code = 0; code < 4; ++code) {
            if ((status = integer(code, counts[code], std::to_string(counts[code]))) != H_MSG_TRUE) return status;
        }
        if ((status = text(4, row_.name)) != H_MSG_TRUE) return status;
        if ((status = text(5, row_.entry_name)) != H_MSG_TRUE) return status;
        if ((status = call(50, row_.entry_name, reinterpret_cast<void*>(row_.entry))) != H_MSG_TRUE) return status;
        if ((status = integer(51, 1, "1ul")) != H_MSG_TRUE) return status;
        if ((status = integer(8, 1, "1<<0")) != H_MSG_TRUE) return status;
        ++line_;  // the generated table leaves a line free here
        if ((status = integer(25, 0, "0")) != H_MSG_TRUE) return status;
        ++line_;
        if ((status = integer(9, 0, "0")) != H_MSG_TRUE) return status;
        if ((status = call(16, "((void *)0)", static_cast<void*>(nullptr))) != H_MSG_TRUE) return status;
        for (int32_t code = 17; code <= 19; ++code) {
            if ((status = integer(code, 0, "0")) != H_MSG_TRUE) return status;
        }
        return H_MSG_TRUE;
    }

private:
    std::string call_text(int32_t code, const std::string& value_text) const {
        return "HXPkgSetOpInfo(xid," + std::to_string(row_.index) + "," + std::to_string(code) + "," + value_text + ")";
    }

    template <typename... Values>
    Herror call(int32_t code, const std::string& value_text, Values... values) {
        const Herror status = traced_call(call_text(code, value_text), line_, [&] {
            return HXPkgSetOpInfo(xid_, row_.index, code, values...);
        });
        ++line_;
        return status;
    }

    Herror integer(int32_t code, int32_t value, const std::string& value_text) { return call(code, value_text, value); }

    Herror text(int32_t code, const char* value) { return call(code, "\"" + std::string(value) + "\"", value); }

    Herror types(int32_t direction, const char* type_string) {
        return call(7, std::to_string(direction) + ",\"" + type_string + "\"", direction, type_string);
    }

    int32_t xid_;
    const operator_row& row_;
    int32_t line_;
};

Herror HSystem0(int32_t xid) {
    for (const operator_row& row : operator_table) {
        const Herror status = operator_registration(xid, row).run();
        if (status != H_MSG_TRUE) return status;
    }
    return H_MSG_TRUE;
}

}  // namespace

extern "C" Herror HXPkgInit(int32_t xpkg_id) {
    int32_t osid = -1;
    Herror status = traced_call(
        "HXPkgOpenId( xpkg_id, (((13)<<16) + ((0)<<8) + (1)),( (0x0400<<16) | (1<<0))," + std::to_string(operator_count) +
            ",&osid)",
        246, [&] { return HXPkgOpenId(xpkg_id, halcon_version, package_flags, operator_count, &osid); });
    if (status != H_MSG_TRUE) return status;
    operator_offset = osid;
    return traced_call("HSystem0(xpkg_id)", 249, [&] { return HSystem0(xpkg_id); });
}

extern "C" int32_t HnotificationGetOffset(void) { return operator_offset; }
