// Puts a recorder in place of the call that appends every menu item, to see
// which menus a build made and what went into them; it can also refuse the
// appends of one kind, as a failing AppendMenuW would.
#ifndef TESTS_TRAY_MENU_APPEND_RECORDER_H
#define TESTS_TRAY_MENU_APPEND_RECORDER_H

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "context_menu.h"

namespace append_recorder {

// One append, with the menu it went to.
struct append_record {
    HMENU menu;
    UINT flags;
    UINT_PTR item;
    std::wstring text;
};

// Every append of the current recorder, in order, refused ones included.
inline std::vector<append_record> appends;
// Appends whose flags hold all of these fail without touching the menu; 0
// refuses none.
inline UINT refused_flags = 0;

inline BOOL WINAPI recording_append(HMENU menu, UINT flags, UINT_PTR item, LPCWSTR text) {
    appends.push_back({menu, flags, item, text ? text : L"<null>"});
    if (refused_flags != 0 && (flags & refused_flags) == refused_flags) return FALSE;
    return AppendMenuW(menu, flags, item, text);
}

// The recorder for the life of a scope, the real call back after it.
class replaced_append_call {
public:
    explicit replaced_append_call(UINT refused = 0) : saved_(notification::append_menu_call) {
        appends.clear();
        refused_flags = refused;
        notification::append_menu_call = recording_append;
    }
    ~replaced_append_call() {
        notification::append_menu_call = saved_;
        refused_flags = 0;
    }
    replaced_append_call(const replaced_append_call&) = delete;
    replaced_append_call& operator=(const replaced_append_call&) = delete;

private:
    notification::append_menu_function saved_;
};

// Every menu the recorded appends show: the menus appended to and the
// submenus appended as items.
inline std::set<HMENU> menus_seen() {
    std::set<HMENU> menus;
    for (const append_record& record : appends) {
        menus.insert(record.menu);
        if (record.flags & MF_POPUP) menus.insert(reinterpret_cast<HMENU>(record.item));
    }
    return menus;
}

}  // namespace append_recorder

#endif
