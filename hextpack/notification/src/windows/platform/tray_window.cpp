// Which thread runs what:
// - HALCON's calling threads run new_tray_icon (the first call also runs the
//   one-time set-up and waits for the tray thread's window) and, through the
//   operators, every record change and the registry's removals.
// - The tray thread runs message_loop_thread: it owns the hidden window, its
//   message loop and tray_window_proc, and through them the event callbacks
//   (tray_icon::notify), tray_icon::show_tooltip and the context menus.
// - The thread that unloads the library runs shutdown_tray_window, under the
//   loader lock.
// Shared state: the registry and each record guard themselves (tray_icon.cpp)
// and are never locked while a menu is open or a callback runs; next_id is
// atomic; window is written by the tray thread before it sets ready_event.
//
// Unload: a thread cannot end while the unloading thread holds the loader
// lock, so shutdown_tray_window never waits for the tray thread to end on
// its own. The tray thread leaves its loop, destroys its window and then, in
// one call, sets left_loop_event and parks in a wait that never ends; from
// then on it runs no code of this library, and shutdown_tray_window ends it.
// A thread that does not leave its loop in time is ended all the same; one
// that has ended already (at process exit) is not waited for.
#include "tray_window.h"

#include <windowsx.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace notification {

tray_menu_function tray_menu_call = &show_tray_menu;
create_event_function create_event_call = &CreateEventW;
create_thread_function create_thread_call = &CreateThread;
post_thread_message_function post_thread_message_call = &PostThreadMessageW;

namespace {

constexpr wchar_t window_class_name[] = L"HiddenTrayIconWindow";
// How long unloading waits for the tray thread to leave its loop (a callback
// into HALCON or an open menu can keep it busy) and then for it to end.
constexpr DWORD leave_loop_timeout_ms = 5000;
constexpr DWORD thread_end_timeout_ms = 1000;

tray_window& tray_state() {
    static tray_window state;
    return state;
}

void debug_text(const std::string& text) { OutputDebugStringA(text.c_str()); }

void register_window_class(HINSTANCE instance) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_VREDRAW | CS_HREDRAW;
    window_class.lpfnWndProc = tray_window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = window_class_name;
    RegisterClassExW(&window_class);
}

// Unnamed events: a named one could be opened and set by another process
// before this process's window exists. A failure is reported with its own
// error code, before another call can change it.
bool make_manual_reset_event(unique_kernel_handle& event) {
    event.reset(create_event_call(nullptr, TRUE, FALSE, nullptr));
    if (event) return true;
    std::printf("CreateEvent failed (%d)\n", static_cast<int>(GetLastError()));
    return false;
}

bool start_tray_thread(tray_window& state) {
    state.thread.reset(create_thread_call(nullptr, 0, message_loop_thread, &state, 0, &state.thread_id));
    if (state.thread) return true;
    std::printf("CreateThread failed (%d)\n", static_cast<int>(GetLastError()));
    return false;
}

void wait_until_window_made(tray_window& state) {
    // The thread's handle too: a thread that died before setting the event
    // must not keep the caller waiting for ever.
    const HANDLE ends[] = {state.ready_event.get(), state.thread.get()};
    if (WaitForMultipleObjects(2, ends, FALSE, INFINITE) != WAIT_OBJECT_0) {
        debug_text("WaitForSingleObject failed\n");
        return;
    }
    state.ready_event.reset();
}

tray_window& start_tray_window() {
    tray_window& state = tray_state();
    // The registry exists before the clean-up is registered, so it is
    // destroyed only after it ran.
    prepare_tray_icon_registry();
    state.instance = GetModuleHandleW(nullptr);
    state.window = nullptr;
    register_window_class(state.instance);

    if (make_manual_reset_event(state.ready_event) && make_manual_reset_event(state.left_loop_event) &&
        start_tray_thread(state)) {
        wait_until_window_made(state);
    }
    std::atexit(shutdown_tray_window);
    return state;
}

tray_window& started_tray_window() {
    static tray_window& state = start_tray_window();
    return state;
}

void run_message_loop(tray_window& state) {
    MSG message;
    // The flag as well as the thread message: a menu's own loop may take
    // the thread message off the queue.
    while (!state.quitting) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) return;
        if (message.hwnd == nullptr && message.message == quit_loop_message) return;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Icons past the 16 bits of WM_COMMAND get their choice back from the popup.
int first_command_id_of(int32_t icon_id) {
    const int64_t first = first_menu_command_id(icon_id);
    return first > INT_MAX ? INT_MAX : static_cast<int>(first);
}

void deliver_menu_choice(tray_icon& icon, int line_index) {
    icon.notify({{"tray_context_menu_select", icon.id()}, {"tray_context_menu_index", line_index}});
}

void open_context_menu(HWND window, std::shared_ptr<tray_icon> icon, POINT at) {
    const string_tuple lines = icon->menu_lines();
    if (lines.empty()) return;
    const int32_t id = icon->id();
    // The record may go while the menu is open; the choice looks it up again.
    icon.reset();
    const int chosen = tray_menu_call(lines, window, at, first_command_id_of(id));
    if (chosen == no_menu_choice) return;
    if (const std::shared_ptr<tray_icon> chosen_icon = find_tray_icon(id)) deliver_menu_choice(*chosen_icon, chosen);
}

void on_shell_notification(HWND window, UINT notification, UINT shell_id, WPARAM anchor) {
    std::shared_ptr<tray_icon> icon = find_tray_icon_by_shell_id(shell_id);
    if (!icon) return;
    switch (notification) {
    case NIN_SELECT:
        icon->notify({{"tray_icon_select", icon->id()}});
        break;
    case NIN_BALLOONUSERCLICK:
        icon->notify({{"tray_balloon_click", icon->id()}});
        icon->show_tooltip();
        break;
    case NIN_BALLOONTIMEOUT:
        icon->show_tooltip();
        break;
    case WM_CONTEXTMENU:
        open_context_menu(window, std::move(icon), POINT{GET_X_LPARAM(anchor), GET_Y_LPARAM(anchor)});
        break;
    default:
        break;
    }
}

LRESULT on_menu_command(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const int command = LOWORD(wparam);
    if (command < menu_command_base) return DefWindowProcW(window, message, wparam, lparam);
    const int n = command - menu_command_base;
    const std::shared_ptr<tray_icon> icon = find_tray_icon(n / menu_command_factor);
    if (!icon) return 1;
    deliver_menu_choice(*icon, n % menu_command_factor);
    return DefWindowProcW(window, message, wparam, lparam);
}

enum class tray_thread_end { left_loop, ended_by_itself, stopped_in_loop };

// Waits a bounded time for the tray thread to leave its loop, then makes
// sure it has ended. A thread that has ended already (the process is ending,
// or it died at start) is not waited for.
tray_thread_end end_tray_thread(tray_window& state) {
    const HANDLE ends[] = {state.left_loop_event.get(), state.thread.get()};
    const DWORD waited = WaitForMultipleObjects(2, ends, FALSE, leave_loop_timeout_ms);
    if (waited == WAIT_OBJECT_0 + 1) {
        state.thread.reset();
        return tray_thread_end::ended_by_itself;
    }
    // Parked, or stuck past the time limit where it would go on to run
    // code of an unloaded library: either way it must not outlive it.
    TerminateThread(state.thread.get(), 0);
    WaitForSingleObject(state.thread.get(), thread_end_timeout_ms);
    state.thread.reset();
    return waited == WAIT_OBJECT_0 ? tray_thread_end::left_loop : tray_thread_end::stopped_in_loop;
}

}  // namespace

std::shared_ptr<tray_icon> new_tray_icon() {
    tray_window& state = started_tray_window();
    const int32_t id = state.next_id.fetch_add(1);
    auto icon = std::make_shared<tray_icon>(&state, id, state.window.load(), tray_callback_message);
    register_tray_icon(icon);
    return icon;
}

LRESULT CALLBACK tray_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // Nothing thrown may cross back into the system's dispatch.
    try {
        switch (message) {
        case tray_callback_message:
            on_shell_notification(window, LOWORD(lparam), HIWORD(lparam), wparam);
            return 1;
        case WM_COMMAND:
            return on_menu_command(window, message, wparam, lparam);
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
        }
    } catch (...) {
        debug_text("tray window: a notification failed\n");
        return 1;
    }
}

DWORD WINAPI message_loop_thread(LPVOID tray_window_state) {
    tray_window& state = *static_cast<tray_window*>(tray_window_state);
    debug_text("Running message loop in hidden window in thread " + std::to_string(GetCurrentThreadId()) + "\n");
    HWND window = CreateWindowExW(0, window_class_name, nullptr, WS_POPUP, CW_USEDEFAULT, 0, 250, 200, nullptr,
                                  nullptr, state.instance, nullptr);
    if (window != nullptr) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    state.window = window;
    SetEvent(state.ready_event.get());

    run_message_loop(state);

    // The window belongs to this thread, so it is destroyed here.
    if (HWND own_window = state.window.exchange(nullptr)) DestroyWindow(own_window);
    // Signals and parks in one call, so no code of this library runs after
    // the unloading thread has seen the signal. Waiting on its own handle
    // never ends; the unloading thread ends this thread.
    SignalObjectAndWait(state.left_loop_event.get(), GetCurrentThread(), INFINITE, FALSE);
    return 0;
}

void shutdown_tray_window() {
    tray_window& state = tray_state();
    if (state.thread) {
        state.quitting = true;
        // A failed post does not stop the clean-up: the thread may still run
        // (its queue can be full), and it must not outlive the library. The
        // flag ends its loop at its next message.
        if (!post_thread_message_call(state.thread_id, quit_loop_message, 0, 0)) {
            debug_text("warning: sending WMUSER_QUITLOOP message failed");
        }
        // Wakes an idle loop and ends a menu that is open; the menu's loop may
        // have taken the thread message.
        if (HWND window = state.window.load()) PostMessageW(window, WM_CANCELMODE, 0, 0);
        const tray_thread_end end = end_tray_thread(state);
        if (end != tray_thread_end::left_loop) {
            // Ended already (at process exit, or before it made its window),
            // or stopped where it may have been inside a callback, which
            // clearing the records would wait for; the registry's storage
            // removes them. The class must not outlive the window procedure.
            if (end == tray_thread_end::stopped_in_loop) {
                debug_text("warning: the tray thread did not leave its message loop\n");
            }
            UnregisterClassW(window_class_name, state.instance);
            return;
        }
    }
    if (HWND window = state.window.exchange(nullptr)) DestroyWindow(window);
    UnregisterClassW(window_class_name, state.instance);
    destroy_all_tray_icons();
}

}  // namespace notification
