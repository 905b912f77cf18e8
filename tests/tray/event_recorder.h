// Test side of the events: a callback that records what reaches it, and a
// stand-in for the context menu that records what it is asked to show.
#ifndef TESTS_TRAY_EVENT_RECORDER_H
#define TESTS_TRAY_EVENT_RECORDER_H

#include <windows.h>

#include <functional>
#include <mutex>
#include <vector>

#include "context_menu.h"
#include "tray_icon.h"
#include "tray_window.h"

namespace tray_test {

struct seen_event {
    void* user_data;
    notification::tray_event event;
    DWORD thread_id;
};

class event_recorder {
public:
    static void record(void* user_data, const notification::tray_event& event) {
        std::lock_guard<std::mutex> lock(mutex());
        seen().push_back({user_data, event, GetCurrentThreadId()});
    }
    static std::vector<seen_event> take() {
        std::lock_guard<std::mutex> lock(mutex());
        std::vector<seen_event> taken;
        taken.swap(seen());
        return taken;
    }

private:
    static std::mutex& mutex() {
        static std::mutex instance;
        return instance;
    }
    static std::vector<seen_event>& seen() {
        static std::vector<seen_event> instance;
        return instance;
    }
};

struct menu_request {
    notification::string_tuple lines;
    HWND owner;
    POINT at;
    int first_command_id;
    DWORD thread_id;
};

// Stands in for the popup for its lifetime: records each request and
// answers with `choice`, after running `while_open` as if the user took
// that long.
class menu_recorder {
public:
    menu_recorder() : saved_(notification::tray_menu_call) {
        requests().clear();
        choice() = notification::no_menu_choice;
        while_open() = nullptr;
        notification::tray_menu_call = &show;
    }
    ~menu_recorder() { notification::tray_menu_call = saved_; }
    menu_recorder(const menu_recorder&) = delete;
    menu_recorder& operator=(const menu_recorder&) = delete;

    void answer(int line_index, std::function<void()> action = nullptr) {
        choice() = line_index;
        while_open() = std::move(action);
    }
    std::vector<menu_request> take() {
        std::vector<menu_request> taken;
        taken.swap(requests());
        return taken;
    }

private:
    static std::vector<menu_request>& requests() {
        static std::vector<menu_request> instance;
        return instance;
    }
    static int& choice() {
        static int instance = notification::no_menu_choice;
        return instance;
    }
    static std::function<void()>& while_open() {
        static std::function<void()> instance;
        return instance;
    }
    static int show(notification::string_tuple lines, HWND owner, POINT at, int first_command_id) {
        requests().push_back({std::move(lines), owner, at, first_command_id, GetCurrentThreadId()});
        if (while_open()) while_open()();
        return choice();
    }

    notification::tray_menu_function saved_;
};

}  // namespace tray_test

#endif
