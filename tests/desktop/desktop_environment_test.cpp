// What desktop tests rely on: the test run's virtual desktop, 1024x768, with
// a taskbar (Wine draws the notification area in it). Headless, no taskbar
// shows, so this fails when run off the desktop.
#include <windows.h>

#include <gtest/gtest.h>

TEST(DesktopEnvironment, HasATaskbarAlongTheBottomOfTheScreen) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    ASSERT_NE(taskbar, nullptr);
    EXPECT_TRUE(IsWindowVisible(taskbar));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(taskbar, &rect));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 1024);
    EXPECT_EQ(rect.bottom, 768);
    EXPECT_GT(rect.top, 600);
}
