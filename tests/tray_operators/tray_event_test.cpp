// Tray events into HALCON message queues: the HALCON calls of one event, and
// the messages that the shell's notifications and menu commands give.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "notification_operators.h"
#include "platform_balloon.h"
#include "tray_test_support.h"

namespace tray_test {
void PrintTo(const entry& item, std::ostream* out) {
    *out << item.key << "=";
    for (Hlong value : item.values) *out << static_cast<long long>(value) << " ";
    if (!item.all_integers) *out << "(not all integers)";
}
}  // namespace tray_test

namespace {

using tray_test::entry;
using tray_test::message_entries;
using tray_test::run;

// Queue handles are opaque to the package; these are only ever compared.
constexpr Hlong event_queue = 7001;
constexpr Hlong marker_queue = 7002;

// Everything the package calls for one event, without the line numbers.
struct halcon_call {
    std::string function;
    std::vector<std::string> args;
    bool operator==(const halcon_call& other) const { return function == other.function && args == other.args; }
};
void PrintTo(const halcon_call& call, std::ostream* out) {
    *out << call.function << "(";
    for (const std::string& arg : call.args) *out << arg << " ";
    *out << ")";
}

// Tuple calls carry the source and its line last: check them, then drop the
// line, which moves with the code.
std::vector<halcon_call> calls_without_lines() {
    std::vector<halcon_call> result;
    for (const standin::call& call : standin::calls()) {
        halcon_call item{call.function, call.args};
        if (call.function.rfind("M", 0) == 0) {
            EXPECT_GE(item.args.size(), 2u);
            EXPECT_EQ(item.args[item.args.size() - 2], "platform_balloon") << call.function;
            EXPECT_GT(std::stoi(item.args.back()), 0) << call.function;
            item.args.resize(item.args.size() - 2);
        }
        result.push_back(item);
    }
    return result;
}

class TrayEventTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin_clear_queues();
        // The marker icon's click, posted after the others, arrives after
        // them: once it is in its queue, the others have been handled.
        marker_ = made_icon(marker_queue);
    }
    void TearDown() override { run(CClearAllTrayIcons, {}); }

    int32_t made_icon(Hlong queue) {
        const tray_test::outcome made = run(CCreateTrayIcon, {{std::string("")}, {std::string("INFO")}, {queue}});
        EXPECT_EQ(made.status, 2);
        return static_cast<int32_t>(made.handle);
    }

    // Waits until everything posted before has been handled.
    void settle() {
        const int32_t seen = standin_queue_length(marker_queue);
        ASSERT_TRUE(tray_test::post_shell_notification(marker_, NIN_SELECT));
        ASSERT_EQ(tray_test::wait_for_queue(marker_queue, seen + 1), seen + 1);
    }

    tray_test::recorded_shell shell;
    int32_t marker_ = 0;
};

TEST_F(TrayEventTest, OneEventIsOneMessageMadeFilledEnqueuedAndClearedWithEveryTupleDestroyed) {
    standin_reset();
    const int32_t tuples_before = standin_live_tuples();
    notification::enqueue_tray_event(notification::message_queue_user_data(event_queue),
                                     {{"tray_context_menu_select", 5}, {"tray_context_menu_index", 3}});
    // The stand-in names tuples by the order they were made.
    const int first = std::stoi(standin::calls().at(0).args.at(0).substr(6));
    const auto t = [first](int offset) { return "tuple:" + std::to_string(first + offset); };
    const std::string message_handle = standin::calls().at(1).args.at(1);
    const std::vector<halcon_call> expected = {
        {"Mcreate_tuple_i", {t(0), "7001"}},
        {"T_create_message", {t(1), message_handle}},
        {"Mcreate_tuple_s", {t(2), "tray_context_menu_select"}},
        {"Mcreate_tuple_i", {t(3), "5"}},
        {"T_set_message_tuple", {t(1), "tray_context_menu_select", "5"}},
        {"Mdestroy_tuple", {t(2)}},
        {"Mdestroy_tuple", {t(3)}},
        {"Mcreate_tuple_s", {t(4), "tray_context_menu_index"}},
        {"Mcreate_tuple_i", {t(5), "3"}},
        {"T_set_message_tuple", {t(1), "tray_context_menu_index", "3"}},
        {"Mdestroy_tuple", {t(4)}},
        {"Mdestroy_tuple", {t(5)}},
        {"Mcreate_tuple", {t(6), "0"}},
        {"T_enqueue_message", {"7001", t(1), "", ""}},
        {"T_clear_message", {t(1)}},
        {"Mdestroy_tuple", {t(1)}},
        {"Mdestroy_tuple", {t(0)}},
        {"Mdestroy_tuple", {t(6)}},
    };
    EXPECT_EQ(calls_without_lines(), expected);
    EXPECT_EQ(standin_live_tuples(), tuples_before);
    EXPECT_EQ(standin_live_messages(), 0);
    ASSERT_EQ(standin_queue_length(event_queue), 1);
    EXPECT_EQ(message_entries(event_queue, 0),
              (std::vector<entry>{{"tray_context_menu_select", {5}, true}, {"tray_context_menu_index", {3}, true}}));
}

TEST_F(TrayEventTest, AFailingHalconCallLosesTheEventQuietlyAndLeaksNothing) {
    for (const char* failing : {"T_enqueue_message", "T_create_message", "T_set_message_tuple", "T_clear_message"}) {
        SCOPED_TRACE(failing);
        standin_clear_queues();
        standin_reset();
        const int32_t tuples_before = standin_live_tuples();
        const int32_t messages_before = standin_live_messages();
        standin_fail_call(failing, 1, 9400);
        notification::enqueue_tray_event(notification::message_queue_user_data(event_queue),
                                         {{"tray_icon_select", 4}});
        // Every call still runs, so every tuple is destroyed.
        EXPECT_EQ(standin::calls_of("Mdestroy_tuple").size(), 5u);
        EXPECT_EQ(standin::calls_of("T_clear_message").size(), 1u);
        EXPECT_EQ(standin_live_tuples(), tuples_before);
        const bool lost = std::string(failing) != "T_clear_message" && std::string(failing) != "T_set_message_tuple";
        EXPECT_EQ(standin_queue_length(event_queue), lost ? 0 : 1);
        if (std::string(failing) != "T_clear_message") {
            EXPECT_EQ(standin_live_messages(), messages_before);
        }
    }
}

TEST_F(TrayEventTest, OneClickGivesExactlyOneMessageWithTheIconsHandle) {
    const int32_t icon = made_icon(event_queue);
    ASSERT_TRUE(tray_test::post_shell_notification(icon, NIN_SELECT, 100, 200));
    settle();
    ASSERT_EQ(standin_queue_length(event_queue), 1);
    EXPECT_EQ(message_entries(event_queue, 0), (std::vector<entry>{{"tray_icon_select", {icon}, true}}));
}

TEST_F(TrayEventTest, OneMenuChoiceGivesOneMessageWithTheIconAndTheLineIndex) {
    const int32_t icon = made_icon(event_queue);
    ASSERT_TRUE(PostMessageW(tray_test::hidden_tray_window(), WM_COMMAND,
                             static_cast<WPARAM>(icon * 1000 + 100 + 3), 0));
    settle();
    ASSERT_EQ(standin_queue_length(event_queue), 1);
    EXPECT_EQ(message_entries(event_queue, 0),
              (std::vector<entry>{{"tray_context_menu_select", {icon}, true}, {"tray_context_menu_index", {3}, true}}));
}

TEST_F(TrayEventTest, AnImageIconGetsItsTooltipAndSendsItsEventsToItsQueue) {
    const tray_test::outcome made = run(CCreateTrayIconImage, {{std::string("Camera 4: lens dirty")}, {event_queue}},
                                        {tray_test::image_input{1, HIMAGE_BYTE, 8, 8, 200}});
    ASSERT_EQ(made.status, 2);
    const int32_t icon = static_cast<int32_t>(made.handle);
    std::vector<std::wstring> tips;
    for (const tray_test::shell_request& request : tray_test::shell_recorder::instance().for_icon(icon)) {
        if (request.message == NIM_MODIFY && (request.flags & NIF_TIP)) tips.push_back(request.tip);
    }
    EXPECT_EQ(tips, std::vector<std::wstring>{L"Camera 4: lens dirty"});

    ASSERT_TRUE(tray_test::post_shell_notification(icon, NIN_SELECT));
    settle();
    ASSERT_EQ(standin_queue_length(event_queue), 1);
    EXPECT_EQ(message_entries(event_queue, 0), (std::vector<entry>{{"tray_icon_select", {icon}, true}}));
}

TEST_F(TrayEventTest, ABalloonClickGivesOneMessageAndATimeoutNone) {
    const int32_t icon = made_icon(event_queue);
    ASSERT_TRUE(tray_test::post_shell_notification(icon, NIN_BALLOONTIMEOUT));
    ASSERT_TRUE(tray_test::post_shell_notification(icon, NIN_BALLOONUSERCLICK));
    settle();
    ASSERT_EQ(standin_queue_length(event_queue), 1);
    EXPECT_EQ(message_entries(event_queue, 0), (std::vector<entry>{{"tray_balloon_click", {icon}, true}}));
}

TEST_F(TrayEventTest, QueueZeroMakesAnIconWithoutEventsAndAnyOtherValueIsTheQueue) {
    const int32_t silent = made_icon(0);
    ASSERT_TRUE(tray_test::post_shell_notification(silent, NIN_SELECT));
    const tray_test::outcome no_queue_value = run(CCreateTrayIcon, {{std::string("")}, {std::string("INFO")}, {}});
    ASSERT_EQ(no_queue_value.status, 2);
    ASSERT_TRUE(tray_test::post_shell_notification(static_cast<int32_t>(no_queue_value.handle), NIN_SELECT));
#if defined(_WIN64)
    // The queue is a pointer-sized value handed back whole.
    const Hlong wide_queue = (Hlong{1} << 40) + 5;
#else
    const Hlong wide_queue = -5;
#endif
    const int32_t wide = made_icon(wide_queue);
    ASSERT_TRUE(tray_test::post_shell_notification(wide, NIN_SELECT));
    settle();
    EXPECT_EQ(standin_queue_length(0), 0);
    ASSERT_EQ(standin_queue_length(wide_queue), 1);
    EXPECT_EQ(message_entries(wide_queue, 0), (std::vector<entry>{{"tray_icon_select", {wide}, true}}));
}

TEST_F(TrayEventTest, AClearedIconDeliversNoMoreEvents) {
    const int32_t icon = made_icon(event_queue);
    ASSERT_EQ(run(CClearTrayIcon, {{Hlong{icon}}}).status, 2);
    ASSERT_TRUE(tray_test::post_shell_notification(icon, NIN_SELECT));
    settle();
    EXPECT_EQ(standin_queue_length(event_queue), 0);
}

}  // namespace
