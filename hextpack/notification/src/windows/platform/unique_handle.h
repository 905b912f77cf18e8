// One owner for one Windows handle of a kind: closes it when it goes, can be
// moved but not copied. Each kind is this template with its close call.
#ifndef NOTIFICATION_UNIQUE_HANDLE_H
#define NOTIFICATION_UNIQUE_HANDLE_H

#include <windows.h>

namespace notification {

template <typename Handle, typename Closer>
class unique_handle {
public:
    unique_handle() = default;
    explicit unique_handle(Handle handle) noexcept : handle_(handle) {}
    ~unique_handle() { reset(); }

    unique_handle(const unique_handle&) = delete;
    unique_handle& operator=(const unique_handle&) = delete;
    unique_handle(unique_handle&& other) noexcept : handle_(other.release()) {}
    unique_handle& operator=(unique_handle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    void reset(Handle handle = nullptr) noexcept {
        Handle previous = handle_;
        handle_ = handle;
        if (previous != nullptr && previous != handle) Closer{}(previous);
    }
    Handle release() noexcept {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
};

struct icon_closer {
    void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
struct menu_closer {
    void operator()(HMENU menu) const noexcept { DestroyMenu(menu); }
};
struct kernel_handle_closer {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
struct gdi_object_closer {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};

using unique_icon = unique_handle<HICON, icon_closer>;
using unique_menu = unique_handle<HMENU, menu_closer>;
// Events and threads; both come back null (not INVALID_HANDLE_VALUE) on failure.
using unique_kernel_handle = unique_handle<HANDLE, kernel_handle_closer>;
using unique_bitmap = unique_handle<HBITMAP, gdi_object_closer>;

}  // namespace notification

#endif
