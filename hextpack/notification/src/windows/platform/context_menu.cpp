// Threads: set_tray_icon_menu runs on HALCON's calling threads and only checks
// (a dry run makes no menu and converts no text); menus are built, shown and
// destroyed on the tray thread alone, from its own copy of the lines.
#include "context_menu.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "herrorexception.h"
#include "tray_icon.h"
#include "unique_handle.h"
#include "utf8_to_utf16.h"

namespace notification {

append_menu_function append_menu_call = AppendMenuW;

namespace {

constexpr int32_t invalid_menu_lines_code = 12003;
constexpr int32_t invalid_tray_icon_code = 12001;
constexpr char invalid_tray_icon_message[] = "the handle to the tray icon is invalid";

// The kinds of line past the indentation, tried in this order; a line of no
// kind is a plain entry with its text unchanged. A separator is the whole
// line; a check prefix counts only with more after it, and is removed with
// the spaces that follow it. The separator test is not repeated after that.
enum class marker_place { whole_line, prefix };
struct line_kind {
    const char* marker;
    marker_place place;
    UINT flags;
};
constexpr line_kind line_kinds[] = {
    {"-", marker_place::whole_line, MF_SEPARATOR},
    {"[ ]", marker_place::prefix, MF_UNCHECKED},
    {"[X]", marker_place::prefix, MF_CHECKED},
    {"[x]", marker_place::prefix, MF_CHECKED},
};

const line_kind* kind_of(const std::string& text) {
    for (const line_kind& kind : line_kinds) {
        const size_t length = std::char_traits<char>::length(kind.marker);
        const bool matches = kind.place == marker_place::whole_line
                                 ? text == kind.marker
                                 : text.size() > length && text.compare(0, length, kind.marker) == 0;
        if (matches) return &kind;
    }
    return nullptr;
}

std::string indentation_message(size_t index) {
    return "invalid indentation for menu entry at 0-based index " + std::to_string(index);
}

// How the items of one build are numbered: first + index for the WM_COMMAND
// scheme, or index + 1 for a popup that returns its choice, where 0 (no
// choice) is left to lines whose own id would leave 16 bits.
struct command_numbering {
    int first_command_id;
    bool returned_choice;

    UINT_PTR id_of_line(size_t index) const {
        if (!returned_choice) return static_cast<UINT_PTR>(static_cast<UINT>(first_command_id) + index);
        return index < 0xFFFF ? index + 1 : 0;
    }
};

constexpr command_numbering own_numbering{0, true};

unique_menu new_popup_menu(bool dry_run) { return unique_menu(dry_run ? nullptr : CreatePopupMenu()); }

// One menu level while it is being filled: its menu and the heading line that
// opened it (none for the root).
struct open_menu {
    unique_menu menu;
    const std::string* heading;
};

// Appends the innermost open submenu to the menu around it. The parent takes
// the submenu over only once it really holds it; until then it stays ours.
void close_submenu(std::vector<open_menu>& open, bool dry_run) {
    open_menu closed = std::move(open.back());
    open.pop_back();
    HMENU parent = open.back().menu.get();
    append_menu_entry(parent, MF_POPUP, reinterpret_cast<UINT_PTR>(closed.menu.get()), *closed.heading, dry_run);
    if (dry_run || !parent || !closed.menu) return;
    MENUITEMINFOW held{};
    held.cbSize = sizeof held;
    held.fMask = MIIM_SUBMENU;
    const int last = GetMenuItemCount(parent) - 1;
    if (last >= 0 && GetMenuItemInfoW(parent, static_cast<UINT>(last), TRUE, &held) &&
        held.hSubMenu == closed.menu.get()) {
        closed.menu.release();
    }
}

unique_menu build_menu(const string_tuple& lines, command_numbering numbering, bool dry_run) {
    if (lines.empty()) return unique_menu();
    if (menu_line_level(lines[0], 0) != 0) {
        throw std::runtime_error(indentation_message(0) + ". Indentation must be 0 for first entry.");
    }
    std::vector<open_menu> open;
    open.push_back({new_popup_menu(dry_run), nullptr});
    for (size_t i = 0; i < lines.size(); ++i) {
        const int depth = static_cast<int>(open.size()) - 1;
        const int next = i + 1 == lines.size() ? depth : menu_line_level(lines[i + 1], static_cast<int>(i + 1));
        if (next == depth + 1) {
            open.push_back({new_popup_menu(dry_run), &lines[i]});
            continue;
        }
        if (next > depth + 1) throw std::runtime_error(indentation_message(i + 1));
        append_menu_entry(open.back().menu.get(), MF_STRING, numbering.id_of_line(i), lines[i], dry_run);
        for (int level = depth; level > next; --level) close_submenu(open, dry_run);
    }
    while (open.size() > 1) close_submenu(open, dry_run);
    return std::move(open.front().menu);
}

}  // namespace

bool menu_commands_fit(int first_command_id, size_t line_count) {
    if (line_count == 0) return true;
    if (first_command_id < menu_command_base || (first_command_id - menu_command_base) % menu_command_factor != 0) {
        return false;
    }
    return line_count <= static_cast<size_t>(menu_command_factor) &&
           static_cast<int64_t>(first_command_id) + static_cast<int64_t>(line_count) - 1 <= 0xFFFF;
}

HMENU build_tray_menu(const string_tuple& lines, int first_command_id, bool dry_run) {
    return build_menu(lines, command_numbering{first_command_id, false}, dry_run).release();
}

// A dry run appends nothing, so it inspects no marker and converts no text.
BOOL append_menu_entry(HMENU menu, UINT flags, UINT_PTR item, const std::string& line, bool dry_run) {
    if (dry_run) return FALSE;
    std::string text = line;
    strip_leading_spaces(text);
    if (const line_kind* kind = kind_of(text)) {
        flags |= kind->flags;
        if (kind->place == marker_place::prefix) {
            text.erase(0, std::char_traits<char>::length(kind->marker));
            strip_leading_spaces(text);
        }
    }
    return append_menu_call(menu, flags, item, utf8_to_utf16(text).c_str());
}

int menu_line_level(const std::string& line, int index) {
    const size_t spaces = std::min(line.find_first_not_of(' '), line.size());
    if (spaces % 2 != 0) {
        throw std::runtime_error(indentation_message(static_cast<size_t>(index)) +
                                 ". Number of indentation spaces must be a multiple of 2.");
    }
    return static_cast<int>(spaces / 2);
}

void strip_leading_spaces(std::string& text) { text.erase(0, text.find_first_not_of(' ')); }

int show_tray_menu(string_tuple lines, HWND owner, POINT at, int first_command_id) {
    try {
        const bool commands_fit = menu_commands_fit(first_command_id, lines.size());
        const unique_menu menu =
            build_menu(lines, commands_fit ? command_numbering{first_command_id, false} : own_numbering, false);
        if (!menu) return no_menu_choice;
        SetForegroundWindow(owner);
        UINT flags = TPM_RIGHTBUTTON | (GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN);
        // Ids that would not survive WM_COMMAND never reach the owner: the
        // popup hands the choice back instead.
        if (!commands_fit) flags |= TPM_RETURNCMD | TPM_NONOTIFY;
        const BOOL chosen = TrackPopupMenuEx(menu.get(), flags, at.x, at.y, owner, nullptr);
        if (commands_fit || chosen <= 0 || static_cast<size_t>(chosen) > lines.size()) return no_menu_choice;
        return chosen - 1;
    } catch (...) {
        return no_menu_choice;
    }
}

void set_tray_icon_menu(int32_t handle, const string_tuple& lines) {
    try {
        build_tray_menu(lines, 0, true);
    } catch (const std::runtime_error& error) {
        throw hextcpp::herror_exception(invalid_menu_lines_code, error.what());
    }
    const std::shared_ptr<tray_icon> icon = find_tray_icon(handle);
    if (!icon) throw hextcpp::herror_exception(invalid_tray_icon_code, invalid_tray_icon_message);
    icon->set_menu_lines(lines);
}

}  // namespace notification
