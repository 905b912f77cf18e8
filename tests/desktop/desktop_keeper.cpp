// Keeps the test run's Wine desktop (and its taskbar) up between tests: Wine
// closes a desktop as soon as the last program on it ends. Prints "ready"
// once the taskbar shows, so the fixture knows tests can start. Ended by the
// fixture's cleanup, which kills every process of the desktop prefix.
#include <windows.h>

#include <cstdio>

int main() {
    // Any call to user32 attaches this process to the desktop.
    if (!GetDesktopWindow()) return 1;
    for (int i = 0; i < 300; ++i) {
        HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
        if (taskbar && IsWindowVisible(taskbar)) {
            std::printf("ready\n");
            std::fflush(stdout);
            Sleep(INFINITE);
        }
        Sleep(100);
    }
    std::printf("no visible taskbar on the desktop\n");
    return 1;
}
