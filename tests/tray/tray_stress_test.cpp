// Several threads make, change and clear icons while another thread plays
// the shell, posting clicks, balloon clicks, right clicks and menu commands
// for any id: ids stay unique, every event reaches the icon it names, and
// none arrives after its icon was cleared.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "event_recorder.h"
#include "shell_recorder.h"
#include "tray_icon.h"
#include "tray_test_support.h"
#include "tray_window.h"

namespace {

using notification::tray_event;
using notification::tray_icon;

// What a callback knows of its icon; cleared icons keep their tag, marked.
struct icon_tag {
    int32_t id = 0;
    std::atomic<bool> cleared{false};
};

std::atomic<int> events_seen{0};
std::atomic<int> wrong_icon{0};
std::atomic<int> after_clear{0};

void check_event(void* user_data, const tray_event& event) {
    const icon_tag& tag = *static_cast<const icon_tag*>(user_data);
    ++events_seen;
    if (tag.cleared) ++after_clear;
    if (event.empty() || event[0].second != tag.id) ++wrong_icon;
    if (event.size() == 2 && (event[1].first != "tray_context_menu_index" || event[1].second < 0 ||
                              event[1].second > 1)) {
        ++wrong_icon;
    }
    // Long enough for a clear to overlap the callback: clearing must wait
    // until it has finished.
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    if (tag.cleared) ++after_clear;
}

// Posted last: once it has run, everything posted before has.
struct drain_marker {
    std::mutex mutex;
    std::condition_variable reached;
    bool done = false;
};

void mark_drained(void* user_data, const tray_event&) {
    auto& marker = *static_cast<drain_marker*>(user_data);
    std::lock_guard<std::mutex> lock(marker.mutex);
    marker.done = true;
    marker.reached.notify_all();
}

TEST(TrayStress, IdsStayUniqueAndEventsReachOnlyTheirOwnIcon) {
    tray_test::shell_recorder shell;
    tray_test::menu_recorder menus;
    menus.answer(1);  // every menu "chooses" line 1
    std::shared_ptr<tray_icon> first = notification::new_tray_icon();
    const HWND window = tray_test::hidden_window();
    ASSERT_NE(window, nullptr);

    constexpr int maker_count = 4;
    constexpr int icons_per_maker = 250;
    std::atomic<int32_t> highest_id{first->id()};
    std::atomic<bool> making{true};
    std::vector<std::vector<int32_t>> ids_made(maker_count);
    std::vector<std::deque<icon_tag>> tags(maker_count);
    const auto pixels = tray_test::patterned_pixels(16, 16);

    std::vector<std::thread> makers;
    for (int m = 0; m < maker_count; ++m) {
        makers.emplace_back([&, m] {
            std::mt19937 random(m);
            for (int i = 0; i < icons_per_maker; ++i) {
                std::shared_ptr<tray_icon> icon = notification::new_tray_icon();
                ids_made[m].push_back(icon->id());
                int32_t seen = highest_id;
                while (icon->id() > seen && !highest_id.compare_exchange_weak(seen, icon->id())) {
                }
                tags[m].emplace_back();
                icon_tag& tag = tags[m].back();
                tag.id = icon->id();
                icon->set_callback(&check_event, &tag);
                icon->set_tooltip("icon " + std::to_string(icon->id()));
                icon->set_menu_lines({"Open", "Exit"});
                icon->set_icon_pixels(16, 16, pixels.data());
                PostMessageW(window, 0x8001, 0, MAKELPARAM(NIN_SELECT, icon->id()));
                PostMessageW(window, 0x8001, 0, MAKELPARAM(WM_CONTEXTMENU, icon->id()));
                // Cleared at about the time its events are delivered.
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
                notification::unregister_tray_icon(icon.get());
                tag.cleared = true;
            }
        });
    }
    std::thread shell_thread([&] {
        std::mt19937 random(7);
        while (making) {
            const int32_t id = std::uniform_int_distribution<int32_t>(2, highest_id.load())(random);
            const UINT notifications[] = {NIN_SELECT, NIN_BALLOONUSERCLICK, NIN_BALLOONTIMEOUT, WM_CONTEXTMENU};
            PostMessageW(window, 0x8001, 0, MAKELPARAM(notifications[random() % 4], id));
            if (id <= 65) PostMessageW(window, WM_COMMAND, MAKEWPARAM(id * 1000 + 100 + random() % 2, 0), 0);
            // Slow enough that the queue never fills and drops the makers' posts.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (std::thread& maker : makers) maker.join();
    making = false;
    shell_thread.join();

    drain_marker marker;
    first->set_callback(&mark_drained, &marker);
    PostMessageW(window, 0x8001, 0, MAKELPARAM(NIN_SELECT, first->id()));
    {
        std::unique_lock<std::mutex> lock(marker.mutex);
        ASSERT_TRUE(marker.reached.wait_for(lock, std::chrono::seconds(60), [&] { return marker.done; }));
    }
    tray_test::clear_icon(first);

    std::set<int32_t> unique_ids;
    size_t made = 0;
    for (const auto& ids : ids_made) {
        unique_ids.insert(ids.begin(), ids.end());
        made += ids.size();
    }
    EXPECT_EQ(unique_ids.size(), made) << "an id was handed out twice";
    EXPECT_EQ(made, static_cast<size_t>(maker_count * icons_per_maker));
    EXPECT_EQ(wrong_icon.load(), 0);
    EXPECT_EQ(after_clear.load(), 0);
    EXPECT_GT(events_seen.load(), 0);
    EXPECT_EQ(notification::find_tray_icon(highest_id), nullptr);
    std::cout << "events delivered: " << events_seen.load() << ", menus asked for: " << menus.take().size()
              << ", shell requests: " << shell.take().size() << "\n";
}

}  // namespace
