// What the tray operator tests share: operator calls as HALCON makes them,
// the shell requests the package hands the notification area, and the
// hidden window the shell's notifications go to.
#ifndef TESTS_TRAY_OPERATORS_TRAY_TEST_SUPPORT_H
#define TESTS_TRAY_OPERATORS_TRAY_TEST_SUPPORT_H

#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "shell_notify.h"
#include "standin.h"
#include "window_driver.h"

namespace tray_test {

// What a shell request showed, taken while the request ran (the package
// releases the icons it made for a request right after it).
struct icon_look {
    bool present = false;
    int width = 0;
    int height = 0;
    uint32_t centre_bgra = 0;
};

inline icon_look look_at(HICON icon) {
    icon_look look;
    if (!icon) return look;
    look.present = true;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return look;
    BITMAP bitmap{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) {
        look.width = bitmap.bmWidth;
        look.height = bitmap.bmHeight;
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = bitmap.bmWidth;
        format.bmiHeader.biHeight = -bitmap.bmHeight;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        std::vector<uint32_t> pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight);
        HDC screen = GetDC(nullptr);
        if (GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS)) {
            look.centre_bgra = pixels[static_cast<size_t>(bitmap.bmHeight / 2) * bitmap.bmWidth + bitmap.bmWidth / 2];
        }
        ReleaseDC(nullptr, screen);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return look;
}

struct shell_request {
    DWORD message;
    UINT id;
    UINT flags;
    icon_look icon;
    std::wstring tip;
    std::wstring balloon_title;
    std::wstring balloon_text;
    DWORD balloon_flags;
    icon_look balloon_icon;
};

class shell_recorder {
public:
    static shell_recorder& instance() {
        static shell_recorder recorder;
        return recorder;
    }
    void clear() {
        std::lock_guard<std::mutex> guard(mutex_);
        requests_.clear();
    }
    // The requests for one icon, in order.
    std::vector<shell_request> for_icon(int32_t id) {
        std::lock_guard<std::mutex> guard(mutex_);
        std::vector<shell_request> result;
        for (const shell_request& request : requests_) {
            if (request.id == static_cast<UINT>(id)) result.push_back(request);
        }
        return result;
    }
    std::vector<shell_request> all() {
        std::lock_guard<std::mutex> guard(mutex_);
        return requests_;
    }
    static BOOL WINAPI record(DWORD message, NOTIFYICONDATAW* data) {
        shell_request request{message, data->uID, data->uFlags, {}, {}, {}, {}, 0, {}};
        if (data->uFlags & NIF_ICON) request.icon = look_at(data->hIcon);
        if (data->uFlags & NIF_TIP) request.tip = data->szTip;
        if (data->uFlags & NIF_INFO) {
            request.balloon_title = data->szInfoTitle;
            request.balloon_text = data->szInfo;
            request.balloon_flags = data->dwInfoFlags;
            request.balloon_icon = look_at(data->hBalloonIcon);
        }
        shell_recorder& self = instance();
        std::lock_guard<std::mutex> guard(self.mutex_);
        self.requests_.push_back(request);
        return TRUE;
    }

private:
    std::mutex mutex_;
    std::vector<shell_request> requests_;
};

// Puts the recorder in for the life of a test and the real call back after.
class recorded_shell {
public:
    recorded_shell() : saved_(notification::shell_notify_icon_call) {
        shell_recorder::instance().clear();
        notification::shell_notify_icon_call = &shell_recorder::record;
    }
    ~recorded_shell() { notification::shell_notify_icon_call = saved_; }
    recorded_shell(const recorded_shell&) = delete;
    recorded_shell& operator=(const recorded_shell&) = delete;

private:
    notification::shell_notify_function saved_;
};

// One image object of the image input: a number of channels of one pixel
// type, all of one size, with a full domain.
struct image_input {
    int channels;
    int32_t kind;
    int32_t width;
    int32_t height;
    uint8_t value;
};

using entry_function = Herror (*)(Hproc_handle);

struct outcome {
    Herror status = 0;
    std::vector<std::string> error_texts;  // every HSetExtendedErrorInfo text
    int32_t output_count = -1;             // -1: nothing was written
    Hlong handle = 0;                      // the first written value
};

inline void add_image(Hproc_handle proc, const image_input& image) {
    const int32_t object = standin_add_object(proc, 1);
    std::vector<uint8_t> pixels(static_cast<size_t>(image.width) * image.height, image.value);
    for (int c = 0; c < image.channels; ++c) {
        standin_add_channel(proc, 1, object, image.kind, image.width, image.height, pixels.data());
    }
    for (int32_t row = 0; row < image.height; ++row) standin_add_run(proc, 1, object, row, 0, image.width - 1);
}

// Runs the entry with the image objects and the control inputs at positions
// 1, 2, ... and reads output position 1.
inline outcome run(entry_function entry, const std::vector<standin::input_tuple>& inputs,
                   const std::vector<image_input>& images = {}) {
    standin_reset();
    Hproc_handle proc = standin_new_proc();
    for (size_t i = 0; i < inputs.size(); ++i) standin::push(proc, static_cast<int32_t>(i + 1), inputs[i]);
    for (const image_input& image : images) add_image(proc, image);
    outcome result;
    result.status = entry(proc);
    for (const standin::call& info : standin::calls_of("HSetExtendedErrorInfo")) {
        result.error_texts.push_back(info.args.at(2));
    }
    result.output_count = standin_output_count(proc, 1);
    const Hcpar* records = standin_output_records(proc, 1);
    if (records && result.output_count > 0 && records[0].type == HCPAR_INT) result.handle = records[0].par.l;
    return result;
}

// The hidden window of this process (other test programs may have theirs).
inline HWND hidden_tray_window() { return window_driver::hidden_tray_window(); }

// The shell's callback message for an icon, as version 4 sends it.
inline bool post_shell_notification(int32_t id, UINT notification, int x = 0, int y = 0) {
    return PostMessageW(hidden_tray_window(), WM_APP + 1, MAKEWPARAM(x, y), MAKELPARAM(notification, id)) != 0;
}

// Waits (at most a generous while, so a fault fails instead of hanging)
// until the queue holds count messages; gives what it holds then.
inline int32_t wait_for_queue(Hlong queue, int32_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (standin_queue_length(queue) < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return standin_queue_length(queue);
}

// One message of a queue: its keys and integer values, in order; a value of
// another type, or a key with other than one value, shows as a mismatch.
struct entry {
    std::string key;
    std::vector<Hlong> values;
    bool all_integers;
    bool operator==(const entry& other) const {
        return key == other.key && values == other.values && all_integers == other.all_integers;
    }
};

inline std::vector<entry> message_entries(Hlong queue, int32_t message) {
    std::vector<entry> result;
    const int32_t keys = standin_message_key_count(queue, message);
    for (int32_t k = 0; k < keys; ++k) {
        entry item{standin_message_key(queue, message, k), {}, true};
        const int32_t values = standin_message_value_count(queue, message, k);
        for (int32_t v = 0; v < values; ++v) {
            item.all_integers = item.all_integers && standin_message_value_type(queue, message, k, v) == HCPAR_INT;
            item.values.push_back(standin_message_int(queue, message, k, v));
        }
        result.push_back(item);
    }
    return result;
}

}  // namespace tray_test

#endif
