// The hidden window HiddenTrayIconWindow, its thread, and the ids of the
// records made through it.
#ifndef NOTIFICATION_TRAY_WINDOW_H
#define NOTIFICATION_TRAY_WINDOW_H

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "context_menu.h"
#include "tray_icon.h"
#include "unique_handle.h"

namespace notification {

constexpr UINT tray_callback_message = WM_APP + 1;
constexpr UINT quit_loop_message = WM_USER + 3;  // WMUSER_QUITLOOP, a thread message
constexpr int32_t first_tray_icon_id = 2;

// One per process; the tray thread gets its address as start parameter and
// the hidden window keeps it as user data.
struct tray_window {
    std::atomic<int32_t> next_id{first_tray_icon_id};
    HINSTANCE instance = nullptr;
    std::atomic<HWND> window{nullptr};
    unique_kernel_handle thread;
    DWORD thread_id = 0;
    unique_kernel_handle ready_event;
    // Set by the tray thread once it has left its loop for good.
    unique_kernel_handle left_loop_event;
    // Set by the unload clean-up before it asks the loop to end.
    std::atomic<bool> quitting{false};
};

// Makes a record with the next id and registers it; the first call starts
// the hidden window and its thread. Never null.
std::shared_ptr<tray_icon> new_tray_icon();

LRESULT CALLBACK tray_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
DWORD WINAPI message_loop_thread(LPVOID tray_window_state);
// Runs when the library is unloaded, once the tray was started.
void shutdown_tray_window();

// The set-up's CreateEventW and CreateThread; tests put their own in to see
// how the set-up reports their failures, and put the real ones back.
using create_event_function = HANDLE(WINAPI*)(SECURITY_ATTRIBUTES* security, BOOL manual_reset, BOOL initially_set,
                                              const wchar_t* name);
using create_thread_function = HANDLE(WINAPI*)(SECURITY_ATTRIBUTES* security, SIZE_T stack_size,
                                               LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags,
                                               DWORD* thread_id);
extern create_event_function create_event_call;
extern create_thread_function create_thread_call;

// The unload's post of the quit message to the tray thread; tests put their
// own in to make it fail while the thread still runs.
using post_thread_message_function = BOOL(WINAPI*)(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam);
extern post_thread_message_function post_thread_message_call;

// The call that shows an icon's context menu: show_tray_menu. Tests put
// their own in to see what the window procedure asks for and to answer with
// a choice, and put the real one back.
using tray_menu_function = int (*)(string_tuple lines, HWND owner, POINT at, int first_command_id);
extern tray_menu_function tray_menu_call;

}  // namespace notification

#endif
