// A plug-in library made of the tray layer alone, for tests that load and
// unload it as HALCON loads and unloads the package.
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "shell_notify.h"
#include "tray_icon.h"
#include "tray_test_library.h"
#include "tray_window.h"
#include "unique_handle.h"
#include "utf8_to_utf16.h"

namespace {

tray_test::conversion_tally* delete_tally = nullptr;
notification::shell_notify_function after_conversion = nullptr;

// Converts a text with the library's own converter at every removal, as a
// right click on the tray thread may while the library unloads.
BOOL WINAPI convert_then_forward(DWORD message, NOTIFYICONDATAW* data) {
    if (message == NIM_DELETE && delete_tally != nullptr) {
        try {
            if (notification::utf8_to_utf16("Gr\xC3\xBC\xC3\x9F" "e") == L"Gr\u00FC\u00DFe") {
                ++delete_tally->converted;
            } else {
                ++delete_tally->wrong;
            }
        } catch (const std::range_error&) {
            ++delete_tally->refused;
        }
    }
    return after_conversion(message, data);
}

// Set-up faults. Each load of the library runs its own set-up, so each load
// can be given one.
int failing_event = 0;  // counted from 1 in the order the set-up makes them
DWORD failing_event_error = 0;
int events_made = 0;
DWORD failing_thread_error = 0;

HANDLE WINAPI make_event_or_fail(SECURITY_ATTRIBUTES* security, BOOL manual_reset, BOOL initially_set,
                                 const wchar_t* name) {
    if (++events_made == failing_event) {
        SetLastError(failing_event_error);
        return nullptr;
    }
    return CreateEventW(security, manual_reset, initially_set, name);
}

HANDLE WINAPI fail_thread_start(SECURITY_ATTRIBUTES*, SIZE_T, LPTHREAD_START_ROUTINE, void*, DWORD, DWORD*) {
    SetLastError(failing_thread_error);
    return nullptr;
}

DWORD WINAPI end_at_once(void*) { return 0; }

DWORD failing_quit_post_error = 0;

// The answer Windows gives when the tray thread's queue is full.
BOOL WINAPI fail_quit_post(DWORD, UINT, WPARAM, LPARAM) {
    SetLastError(failing_quit_post_error);
    return FALSE;
}

// Converts a long text with the library's own converter until the process
// ends it; releases `first_done` after its first conversion.
DWORD WINAPI convert_for_ever(void* first_done) {
    const std::string text = std::string(4000, 'x') + "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80";
    notification::utf8_to_utf16(text);
    ReleaseSemaphore(static_cast<HANDLE>(first_done), 1, nullptr);
    for (;;) notification::utf8_to_utf16(text);
}

// A tray thread that ends before it made its window or set the ready event.
HANDLE WINAPI start_thread_that_ends_at_once(SECURITY_ATTRIBUTES* security, SIZE_T stack_size,
                                             LPTHREAD_START_ROUTINE, void*, DWORD flags, DWORD* thread_id) {
    return CreateThread(security, stack_size, end_at_once, nullptr, flags, thread_id);
}

}  // namespace

extern "C" {

// The set-up's `which`-th event creation fails with `error`.
__declspec(dllexport) void tray_library_fail_event(int which, DWORD error) {
    failing_event = which;
    failing_event_error = error;
    notification::create_event_call = &make_event_or_fail;
}

__declspec(dllexport) void tray_library_fail_thread_start(DWORD error) {
    failing_thread_error = error;
    notification::create_thread_call = &fail_thread_start;
}

__declspec(dllexport) void tray_library_start_thread_that_ends_at_once() {
    notification::create_thread_call = &start_thread_that_ends_at_once;
}

// The unload's post of the quit message to the tray thread fails with `error`.
__declspec(dllexport) void tray_library_fail_quit_post(DWORD error) {
    failing_quit_post_error = error;
    notification::post_thread_message_call = &fail_quit_post;
}

// Starts `count` threads that convert text for as long as the process lives,
// as HALCON threads and the tray thread may when the process ends; returns
// how many of them made their first conversion.
__declspec(dllexport) int32_t tray_library_convert_on_threads(int32_t count) {
    const notification::unique_kernel_handle first_done(CreateSemaphoreW(nullptr, 0, count, nullptr));
    if (!first_done) return 0;
    int32_t started = 0;
    for (int32_t i = 0; i < count; ++i) {
        const notification::unique_kernel_handle thread(
            CreateThread(nullptr, 0, convert_for_ever, first_done.get(), 0, nullptr));
        if (thread) ++started;
    }
    int32_t converted = 0;
    // Only a hang detector: a first conversion takes far less.
    while (converted < started && WaitForSingleObject(first_done.get(), 10000) == WAIT_OBJECT_0) ++converted;
    return converted;
}

// One record with nothing set, and its changes one at a time.
__declspec(dllexport) int32_t tray_library_new_icon() { return notification::new_tray_icon()->id(); }

__declspec(dllexport) void tray_library_set_stock_icon(int32_t id, int32_t stock_id) {
    if (const auto icon = notification::find_tray_icon(id)) icon->set_stock_icon(stock_id);
}

__declspec(dllexport) void tray_library_set_tooltip(int32_t id, const char* text) {
    if (const auto icon = notification::find_tray_icon(id)) icon->set_tooltip(text);
}

__declspec(dllexport) void tray_library_show_balloon(int32_t id, const char* title, const char* text) {
    if (const auto icon = notification::find_tray_icon(id)) icon->show_balloon(title, text, nullptr);
}

// The library's own shell seam (it has its own copy of the tray layer).
__declspec(dllexport) void tray_library_use_shell(notification::shell_notify_function call) {
    notification::shell_notify_icon_call = call;
}

// From now on each NIM_DELETE request first converts a text and counts the
// outcome in `tally`, then goes on to `shell`.
__declspec(dllexport) void tray_library_convert_on_delete(notification::shell_notify_function shell,
                                                          tray_test::conversion_tally* tally) {
    after_conversion = shell;
    delete_tally = tally;
    notification::shell_notify_icon_call = &convert_then_forward;
}

__declspec(dllexport) void tray_library_set_callback(int32_t id, notification::tray_event_callback callback,
                                                     void* user_data) {
    if (const auto icon = notification::find_tray_icon(id)) icon->set_callback(callback, user_data);
}

// Makes `count` icons with image, tooltip and menu; returns the last id.
__declspec(dllexport) int32_t tray_library_make_icons(int32_t count) {
    int32_t last = 0;
    for (int32_t i = 0; i < count; ++i) {
        const auto icon = notification::new_tray_icon();
        icon->set_stock_icon(notification::builtin_logo_stock_id);
        icon->set_tooltip("icon " + std::to_string(icon->id()));
        icon->set_menu_lines({"Open", "  Nested", "Exit"});
        last = icon->id();
    }
    return last;
}
}
