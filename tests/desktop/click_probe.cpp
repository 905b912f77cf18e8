// A window for the desktop driver to find on the X display and click:
//   click_probe <rrggbb> <timeout-seconds>
// Shows a top-level window at a fixed place with its client area painted in
// the given colour, then prints one line
//   ready client=<x>,<y>,<w>,<h> window=<l>,<t>,<r>,<b> target=<x>,<y>
// (client area and window frame in desktop coordinates, target in client
// coordinates). Exits 0 on a real left click at the target, 2 on any other
// left click (elsewhere, or not from the mouse), 1 when none comes in time.
#include <windows.h>
#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int window_left = 140;
constexpr int window_top = 110;
constexpr int window_width = 360;
constexpr int window_height = 260;
// Off centre and off any round number, so an offset error cannot hit it.
constexpr POINT target = {83, 61};

HBRUSH fill_brush;
UINT timeout_seconds;
int result = 1;

bool parse_colour(const char* text, COLORREF* colour) {
    if (std::strlen(text) != 6) return false;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 16);
    if (*end != '\0') return false;
    *colour = RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    return true;
}

void on_click(HWND window, WPARAM flags, LPARAM position) {
    const POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    // A click from the input queue carries the pointer position and leaves
    // the button down in this thread's key state; a message sent or posted
    // by a program does neither.
    const DWORD message_pos = GetMessagePos();
    POINT pointer = {GET_X_LPARAM(message_pos), GET_Y_LPARAM(message_pos)};
    ScreenToClient(window, &pointer);
    const bool from_input = !InSendMessage() && (flags & MK_LBUTTON) && (GetKeyState(VK_LBUTTON) & 0x8000) &&
                            pointer.x == at.x && pointer.y == at.y;
    std::printf("click at %ld,%ld (pointer %ld,%ld)%s\n", at.x, at.y, pointer.x, pointer.y,
                from_input ? "" : ", not from the mouse");
    result = (from_input && at.x == target.x && at.y == target.y) ? 0 : 2;
    DestroyWindow(window);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, fill_brush);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        on_click(window, wparam, lparam);
        return 0;
    case WM_TIMER:
        std::printf("no click within %u s\n", timeout_seconds);
        result = 1;
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    COLORREF colour = 0;
    if (argc != 3 || !parse_colour(argv[1], &colour) || (timeout_seconds = std::atoi(argv[2])) == 0) {
        std::fprintf(stderr, "usage: click_probe <rrggbb> <timeout-seconds>\n");
        return 64;
    }
    fill_brush = CreateSolidBrush(colour);

    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = "click_probe";
    if (!RegisterClassA(&window_class)) return 3;

    HWND window = CreateWindowExA(WS_EX_TOPMOST, "click_probe", "click probe", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE,
                                  window_left, window_top, window_width, window_height, nullptr, nullptr,
                                  window_class.hInstance, nullptr);
    if (!window) return 3;
    SetForegroundWindow(window);
    UpdateWindow(window);
    SetTimer(window, 1, timeout_seconds * 1000, nullptr);

    RECT frame;
    GetWindowRect(window, &frame);
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    std::printf("ready client=%ld,%ld,%ld,%ld window=%ld,%ld,%ld,%ld target=%ld,%ld\n", origin.x, origin.y,
                client.right, client.bottom, frame.left, frame.top, frame.right, frame.bottom, target.x, target.y);
    std::fflush(stdout);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    std::fflush(stdout);
    return result;
}
