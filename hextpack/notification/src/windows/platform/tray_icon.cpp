#include "tray_icon.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>

#include "builtin_logo.h"
#include "shell_notify.h"
#include "utf8_to_utf16.h"

namespace notification {

// The shell's structure in its full current form (with guidItem and
// hBalloonIcon); older shells would take a smaller one.
static_assert(sizeof(NOTIFYICONDATAW) == (sizeof(void*) == 8 ? 976 : 956),
              "NOTIFYICONDATAW must be the full current structure");

namespace {

constexpr UINT notify_icon_version = NOTIFYICON_VERSION_4;
// How long a clear waits for the icon's running callback. An enqueue into a
// full HALCON queue whose reader is the clearing thread never ends; any
// other callback ends in far less.
constexpr std::chrono::milliseconds running_callback_wait_limit{2000};
constexpr DWORD balloon_with_icon = NIIF_USER | NIIF_LARGE_ICON;
constexpr DWORD balloon_without_icon = NIIF_ERROR;
// LCS_WINDOWS_COLOR_SPACE ('Win '), spelt out: the header writes it as a
// multi-character constant.
constexpr LCSCSTYPE windows_colour_space = 0x57696E20;

// The record's shell requests, one row each; a null text means the result
// is ignored.
struct shell_request {
    DWORD message;
    UINT flags;
    const char* failure_text;
};

constexpr shell_request add_request{NIM_ADD, NIF_MESSAGE, "Unable to create notify icon."};
constexpr shell_request version_request{NIM_SETVERSION, NIF_MESSAGE, "Unable to create notify icon."};
constexpr shell_request delete_request{NIM_DELETE, 0, nullptr};
constexpr shell_request icon_request{NIM_MODIFY, NIF_ICON, "Error setting tray icon image"};
constexpr shell_request tooltip_request{NIM_MODIFY, NIF_TIP, "Unable to set tooltip for status tray icon\n"};
constexpr shell_request balloon_request{NIM_MODIFY, NIF_INFO, "Unable to create status tray balloon.\n"};
constexpr shell_request show_tooltip_request{NIM_MODIFY, NIF_SHOWTIP, nullptr};

bool send(const shell_request& request, NOTIFYICONDATAW& data) {
    data.uFlags = request.flags;
    const bool sent = shell_notify_icon_call(request.message, &data) != FALSE;
    if (!sent && request.failure_text != nullptr) OutputDebugStringA(request.failure_text);
    return sent;
}

// Copies at most capacity - 1 code units and always terminates; a longer
// text is cut without regard to character boundaries.
template <size_t capacity>
void copy_truncated(wchar_t (&member)[capacity], const std::wstring& text) {
    const size_t length = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), length, member);
    member[length] = L'\0';
}

HICON icon_of_host_program() {
    // MAX_PATH first; a longer path gets a buffer that fits instead of a cut one.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return nullptr;
        if (length < path.size()) break;
        if (path.size() >= 32768) return nullptr;
        path.resize(path.size() * 2);
    }
    HICON icon = ExtractIconW(GetModuleHandleW(nullptr), path.c_str(), 0);
    // 1 means "not a file with icons", not an icon.
    if (icon == reinterpret_cast<HICON>(1)) return nullptr;
    return icon;
}

HICON shell_stock_icon(int32_t stock_id) {
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof(info);
    if (SHGetStockIconInfo(static_cast<SHSTOCKICONID>(stock_id), SHGSI_ICON, &info) != S_OK) return nullptr;
    return info.hIcon;
}

struct tray_icon_registry {
    std::mutex mutex;
    std::vector<std::shared_ptr<tray_icon>> records;  // in the order they were made
};

tray_icon_registry& registry() {
    static tray_icon_registry instance;
    return instance;
}

}  // namespace

tray_icon::tray_icon(tray_window* owner, int32_t id, HWND window, uint32_t callback_message)
    : owner_(owner), id_(id), window_(window), callback_message_(callback_message) {
    NOTIFYICONDATAW data = request();
    data.uCallbackMessage = callback_message_;
    send(add_request, data);
    // Sent whether or not the add succeeded.
    data = request();
    data.uCallbackMessage = callback_message_;
    data.uVersion = notify_icon_version;
    send(version_request, data);
}

tray_icon::~tray_icon() {
    NOTIFYICONDATAW data = request();
    send(delete_request, data);
}

NOTIFYICONDATAW tray_icon::request() const {
    NOTIFYICONDATAW data;
    std::memset(&data, 0, sizeof(data));
    data.cbSize = sizeof(data);
    data.hWnd = window_;
    data.uID = static_cast<UINT>(id_);
    return data;
}

void tray_icon::set_icon(HICON icon) {
    std::lock_guard<std::mutex> lock(icon_mutex_);
    unique_icon previous(icon_.release());
    icon_.reset(icon != nullptr ? CopyIcon(icon) : nullptr);
    NOTIFYICONDATAW data = request();
    data.hIcon = icon;  // the caller's icon; the copy stays with the record
    if (!send(icon_request, data)) {
        // The record keeps the icon the shell still shows; the new copy goes.
        icon_ = std::move(previous);
    }
}

void tray_icon::set_stock_icon(int32_t stock_id) {
    const unique_icon made(hicon_for_stock_id(stock_id));
    set_icon(made.get());
}

void tray_icon::set_icon_pixels(int32_t width, int32_t height, const uint8_t* bgra_pixels) {
    const unique_icon made(hicon_from_bgra(width, height, bgra_pixels));
    set_icon(made.get());
}

HICON tray_icon::icon_copy() const {
    std::lock_guard<std::mutex> lock(icon_mutex_);
    return icon_.get();
}

void tray_icon::set_tooltip(const std::string& text) {
    const std::wstring tooltip = utf8_to_utf16(text);
    NOTIFYICONDATAW data = request();
    copy_truncated(data.szTip, tooltip);
    send(tooltip_request, data);
}

void tray_icon::show_balloon(const std::string& title, const std::string& text, HICON icon) {
    const std::wstring balloon_title = utf8_to_utf16(title);
    const std::wstring balloon_text = utf8_to_utf16(text);
    NOTIFYICONDATAW data = request();
    copy_truncated(data.szInfoTitle, balloon_title);
    copy_truncated(data.szInfo, balloon_text);
    data.uTimeout = 0;
    if (icon != nullptr) {
        data.hBalloonIcon = icon;
        data.dwInfoFlags = balloon_with_icon;
    } else {
        data.dwInfoFlags = balloon_without_icon;
    }
    send(balloon_request, data);
}

void tray_icon::show_stock_balloon(const std::string& title, const std::string& text, int32_t stock_id) {
    const unique_icon made(hicon_for_stock_id(stock_id));
    show_balloon(title, text, made.get());
}

void tray_icon::show_pixels_balloon(const std::string& title, const std::string& text, int32_t width,
                                    int32_t height, const uint8_t* bgra_pixels) {
    const unique_icon made(hicon_from_bgra(width, height, bgra_pixels));
    show_balloon(title, text, made.get());
}

void tray_icon::show_tooltip() {
    NOTIFYICONDATAW data = request();
    send(show_tooltip_request, data);
}

void tray_icon::set_callback(tray_event_callback callback, void* user_data) {
    std::lock_guard<std::mutex> lock(fields_mutex_);
    if (retired_) return;
    callback_ = callback;
    callback_data_ = user_data;
}

void tray_icon::notify(const tray_event& event) {
    tray_event_callback callback = nullptr;
    void* user_data = nullptr;
    {
        std::lock_guard<std::mutex> lock(fields_mutex_);
        if (retired_ || callback_ == nullptr) return;
        callback = callback_;
        user_data = callback_data_;
        ++running_callbacks_;
        callback_thread_ = GetCurrentThreadId();
    }
    struct finished_callback {
        tray_icon& icon;
        ~finished_callback() {
            std::lock_guard<std::mutex> lock(icon.fields_mutex_);
            if (--icon.running_callbacks_ == 0) icon.callback_finished_.notify_all();
        }
    } finished{*this};
    callback(user_data, event);
}

void tray_icon::retire() {
    std::unique_lock<std::mutex> lock(fields_mutex_);
    retired_ = true;
    callback_ = nullptr;
    callback_data_ = nullptr;
    // A callback retiring its own record must not wait for itself.
    if (callback_thread_ == GetCurrentThreadId()) return;
    // Past the limit the callback finishes on its own; the tray thread holds
    // the record until then.
    callback_finished_.wait_for(lock, running_callback_wait_limit, [this] { return running_callbacks_ == 0; });
}

void tray_icon::set_menu_lines(const string_tuple& lines) {
    string_tuple copy(lines);  // before the lock: given its own list, nothing changes
    std::lock_guard<std::mutex> lock(fields_mutex_);
    menu_lines_.swap(copy);
}

string_tuple tray_icon::menu_lines() const {
    std::lock_guard<std::mutex> lock(fields_mutex_);
    return menu_lines_;
}

void prepare_tray_icon_registry() { registry(); }

void register_tray_icon(std::shared_ptr<tray_icon> icon) {
    tray_icon_registry& shared = registry();
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.records.push_back(std::move(icon));
}

std::shared_ptr<tray_icon> find_tray_icon(int32_t id) {
    tray_icon_registry& shared = registry();
    std::lock_guard<std::mutex> lock(shared.mutex);
    for (const auto& record : shared.records) {
        if (record->id() == id) return record;
    }
    return nullptr;
}

std::shared_ptr<tray_icon> find_tray_icon_by_shell_id(uint32_t shell_id) {
    tray_icon_registry& shared = registry();
    std::lock_guard<std::mutex> lock(shared.mutex);
    std::shared_ptr<tray_icon> found;
    for (const auto& record : shared.records) {
        const uint32_t id = static_cast<uint32_t>(record->id());
        if ((id & 0xFFFFu) != shell_id) continue;
        // A record whose id does not fit 16 bits could be the one meant.
        if (id != shell_id) return nullptr;
        if (!found) found = record;
    }
    return found;
}

void unregister_tray_icon(const tray_icon* icon) {
    std::shared_ptr<tray_icon> removed;
    {
        tray_icon_registry& shared = registry();
        std::lock_guard<std::mutex> lock(shared.mutex);
        const auto entry = std::find_if(shared.records.begin(), shared.records.end(),
                                        [icon](const std::shared_ptr<tray_icon>& record) { return record.get() == icon; });
        if (entry == shared.records.end()) return;
        removed = std::move(*entry);
        shared.records.erase(entry);
    }
    // Outside the registry's lock: the wait for a running callback, and the
    // destructor's shell request when this was the last user.
    removed->retire();
}

void destroy_all_tray_icons() {
    std::vector<std::shared_ptr<tray_icon>> removed;
    {
        tray_icon_registry& shared = registry();
        std::lock_guard<std::mutex> lock(shared.mutex);
        removed.swap(shared.records);
    }
    for (auto& record : removed) {
        record->retire();
        record.reset();
    }
}

HICON hicon_from_bgra(int32_t width, int32_t height, const uint8_t* bgra_pixels) {
    if (width <= 0 || height <= 0 || bgra_pixels == nullptr) return nullptr;
    const int64_t byte_count = int64_t{width} * height * 4;
    if (byte_count > std::numeric_limits<int32_t>::max()) return nullptr;

    BITMAPV5HEADER header{};
    header.bV5Size = sizeof(header);
    header.bV5Width = width;
    header.bV5Height = -height;  // rows from top to bottom
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_RGB;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    header.bV5CSType = windows_colour_space;
    header.bV5Intent = LCS_GM_IMAGES;

    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    unique_bitmap colour(CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                          &bits, nullptr, 0));
    ReleaseDC(nullptr, screen);
    // Without bits there is nothing to copy the pixels into.
    if (!colour || bits == nullptr) return nullptr;
    std::memcpy(bits, bgra_pixels, static_cast<size_t>(byte_count));

    unique_bitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
    if (!mask) return nullptr;

    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask.get();
    info.hbmColor = colour.get();
    return CreateIconIndirect(&info);
}

HICON hicon_for_stock_id(int32_t stock_id) {
    switch (stock_id) {
    case host_program_stock_id:
        return icon_of_host_program();
    case builtin_logo_stock_id:
        return hicon_from_bgra(builtin_logo_size, builtin_logo_size, builtin_logo_bgra);
    default:
        return shell_stock_icon(stock_id);
    }
}

}  // namespace notification
