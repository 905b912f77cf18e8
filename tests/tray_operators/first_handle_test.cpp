// Handles as the first icons of a process get them: its own program, so no
// other test has used a handle before.
#include <gtest/gtest.h>

#include "notification_operators.h"
#include "tray_test_support.h"

namespace {

using tray_test::run;
using tray_test::shell_recorder;

TEST(FirstTrayHandles, StartAtTwoAreNeverReusedAndAreNarrowedTo32Bits) {
    tray_test::recorded_shell shell;
    const tray_test::outcome first = run(CCreateTrayIcon, {{std::string("first")}, {std::string("INFO")}});
    ASSERT_EQ(first.status, 2);
    EXPECT_EQ(first.handle, 2);
#if defined(_WIN64)
    // 2 to the power 32, plus 2: the low 32 bits address handle 2.
    const Hlong wide_two = (Hlong{1} << 32) + 2;
    const tray_test::outcome balloon =
        run(CDisplayBalloon, {{wide_two}, {std::string("t")}, {std::string("x")}, {std::string("INFO")}});
    EXPECT_EQ(balloon.status, 2);
    EXPECT_EQ(run(CClearTrayIcon, {{wide_two}}).status, 2);
#else
    EXPECT_EQ(run(CClearTrayIcon, {{Hlong{2}}}).status, 2);
#endif
    const auto requests = shell_recorder::instance().for_icon(2);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(run(CClearTrayIcon, {{Hlong{2}}}).status, 12001);

    const tray_test::outcome next = run(CCreateTrayIcon, {{std::string("next")}, {std::string("INFO")}});
    ASSERT_EQ(next.status, 2);
    EXPECT_EQ(next.handle, 3);
    EXPECT_EQ(run(CClearAllTrayIcons, {}).status, 2);
}

}  // namespace
