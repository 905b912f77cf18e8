// Helpers of the tray tests: UTF-8 text from code points, icons and their
// pixels, and a fresh record whose requests are recorded.
#ifndef TESTS_TRAY_TRAY_TEST_SUPPORT_H
#define TESTS_TRAY_TRAY_TEST_SUPPORT_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tray_icon.h"
#include "tray_window.h"

namespace tray_test {

inline std::string utf8_of(const std::u32string& code_points) {
    std::string out;
    for (char32_t c : code_points) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline std::wstring utf16_of(const std::u32string& code_points) {
    std::wstring out;
    for (char32_t c : code_points) {
        if (c < 0x10000) {
            out += static_cast<wchar_t>(c);
        } else {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

inline bool icon_exists(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) return false;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return true;
}

struct icon_pixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bgra;  // rows top to bottom
};

// The colour image of an icon as 32-bit top-down pixels.
inline icon_pixels pixels_of(HICON icon) {
    icon_pixels result;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return result;
    BITMAP bitmap{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap)) {
        BITMAPINFO header{};
        header.bmiHeader.biSize = sizeof(header.bmiHeader);
        header.bmiHeader.biWidth = bitmap.bmWidth;
        header.bmiHeader.biHeight = -bitmap.bmHeight;
        header.bmiHeader.biPlanes = 1;
        header.bmiHeader.biBitCount = 32;
        header.bmiHeader.biCompression = BI_RGB;
        result.width = bitmap.bmWidth;
        result.height = bitmap.bmHeight;
        result.bgra.resize(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight * 4);
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, result.bgra.data(), &header, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return result;
}

// A width x height image where every pixel differs from its neighbours.
inline std::vector<uint8_t> patterned_pixels(int32_t width, int32_t height) {
    std::vector<uint8_t> bgra;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            bgra.push_back(static_cast<uint8_t>(x * 7));
            bgra.push_back(static_cast<uint8_t>(y * 5));
            bgra.push_back(static_cast<uint8_t>(x + y));
            bgra.push_back(255);
        }
    }
    return bgra;
}

// A record leaves the registry and goes with the last user.
inline void clear_icon(std::shared_ptr<notification::tray_icon>& icon) {
    notification::unregister_tray_icon(icon.get());
    icon.reset();
}

}  // namespace tray_test

#endif
