// The record of one notification-area icon, the process-wide registry of all
// records, and the icons the records show.
#ifndef NOTIFICATION_TRAY_ICON_H
#define NOTIFICATION_TRAY_ICON_H

#include <windows.h>
#include <shellapi.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "unique_handle.h"

namespace notification {

using string_tuple = std::vector<std::string>;
using tray_event = std::vector<std::pair<std::string, int32_t>>;
using tray_event_callback = void (*)(void* user_data, const tray_event& event);

constexpr int32_t builtin_logo_stock_id = 182;
constexpr int32_t host_program_stock_id = 183;

struct tray_window;

// Every operation that talks to the shell is one Shell_NotifyIconW request. A
// failing request is written to the debugger output and never thrown; text
// that is not UTF-8 throws std::range_error before any request is sent.
//
// The setters run on HALCON's threads, notify, menu_lines and show_tooltip
// on the tray thread; the record guards its changing fields itself.
class tray_icon {
public:
    // Adds the icon (no image, no tooltip) and switches it to version 4.
    tray_icon(tray_window* owner, int32_t id, HWND window, uint32_t callback_message);
    // Removes the icon from the notification area and releases its icon copy.
    ~tray_icon();
    tray_icon(const tray_icon&) = delete;
    tray_icon& operator=(const tray_icon&) = delete;

    int32_t id() const { return id_; }

    // Shows the icon; the record keeps its own copy, the caller keeps its
    // handle. A failing change keeps the icon the record had.
    void set_icon(HICON icon);
    void set_stock_icon(int32_t stock_id);
    void set_icon_pixels(int32_t width, int32_t height, const uint8_t* bgra_pixels);

    void set_tooltip(const std::string& text);
    // Without an icon the shell shows its error icon.
    void show_balloon(const std::string& title, const std::string& text, HICON icon);
    void show_stock_balloon(const std::string& title, const std::string& text, int32_t stock_id);
    void show_pixels_balloon(const std::string& title, const std::string& text, int32_t width, int32_t height,
                             const uint8_t* bgra_pixels);
    // Asks for the standard tooltip again after a balloon.
    void show_tooltip();
    // The record's own copy of the icon last shown (null when none); it
    // stays valid until the icon is changed again or the record goes.
    HICON icon_copy() const;

    void set_callback(tray_event_callback callback, void* user_data);
    // Calls the callback, outside the record's lock; without one the event
    // is dropped, and so is every event after the record was retired. The
    // caller holds the record through a shared owner until this returns:
    // retiring stops waiting for a callback after a time limit.
    void notify(const tray_event& event);
    void set_menu_lines(const string_tuple& lines);
    string_tuple menu_lines() const;

    // No callback starts after this returns, and one that is running on
    // another thread has finished, or is left to finish on its own after a
    // time limit. Called when the record leaves the registry.
    void retire();

private:
    // A zero-filled request addressed to this icon.
    NOTIFYICONDATAW request() const;

    tray_window* const owner_;
    const int32_t id_;
    const HWND window_;
    const uint32_t callback_message_;

    // Orders the icon changes and guards the icon copy; never taken by the
    // tray thread.
    mutable std::mutex icon_mutex_;
    unique_icon icon_;

    // Guards the fields below; held only for short copies.
    mutable std::mutex fields_mutex_;
    std::condition_variable callback_finished_;
    tray_event_callback callback_ = nullptr;
    void* callback_data_ = nullptr;
    string_tuple menu_lines_;
    bool retired_ = false;
    int running_callbacks_ = 0;
    DWORD callback_thread_ = 0;

};

// Registry: records are shared, so a record the tray thread is using is never
// destroyed under it. Entries stay in the order they were made.
void register_tray_icon(std::shared_ptr<tray_icon> icon);
// Makes the registry exist now, so that a clean-up registered afterwards for
// unload runs while its storage is still there.
void prepare_tray_icon_registry();
std::shared_ptr<tray_icon> find_tray_icon(int32_t id);  // empty when none
// The record the shell means by the 16-bit id of its notifications; empty
// when none, and when the id is ambiguous because a record's id does not fit
// 16 bits and shares the low bits.
std::shared_ptr<tray_icon> find_tray_icon_by_shell_id(uint32_t shell_id);
// Removes it from the registry and retires it (the record goes when its last
// user lets go); nothing happens when it is not registered.
void unregister_tray_icon(const tray_icon* icon);
void destroy_all_tray_icons();

// New icons that the caller releases with DestroyIcon, or null.
HICON hicon_from_bgra(int32_t width, int32_t height, const uint8_t* bgra_pixels);
HICON hicon_for_stock_id(int32_t stock_id);

}  // namespace notification

#endif
