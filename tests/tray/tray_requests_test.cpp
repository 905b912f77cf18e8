// What each record operation hands the shell, seen through the shell seam:
// one request per operation, its members, its texts and its icon.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "builtin_logo.h"
#include "shell_recorder.h"
#include "tray_icon.h"
#include "tray_test_support.h"
#include "tray_window.h"

namespace {

using notification::tray_icon;
using tray_test::shell_row;

constexpr UINT callback_message = 0x8001;

class TrayRequestsTest : public ::testing::Test {
protected:
    void SetUp() override {
        icon = notification::new_tray_icon();
        window = tray_test::hidden_window();
        ASSERT_NE(window, nullptr);
        recorder.take();
    }
    void TearDown() override {
        if (icon) tray_test::clear_icon(icon);
    }

    std::vector<tray_test::recorded_request> take() { return recorder.take(); }
    void expect(const std::vector<shell_row>& rows) { tray_test::expect_requests(take(), rows, window, icon->id()); }

    static HICON logo() {
        static HICON made = notification::hicon_for_stock_id(notification::builtin_logo_stock_id);
        return made;
    }

    tray_test::shell_recorder recorder;
    std::shared_ptr<tray_icon> icon;
    HWND window = nullptr;
};

TEST_F(TrayRequestsTest, EachOperationSendsExactlyItsOneRequest) {
    ASSERT_NE(logo(), nullptr);
    // A new record: the add and the switch to version 4.
    tray_test::clear_icon(icon);
    take();
    icon = notification::new_tray_icon();
    expect({{NIM_ADD, NIF_MESSAGE, callback_message},
            {NIM_SETVERSION, NIF_MESSAGE, callback_message, 4}});

    icon->set_icon(logo());
    icon->set_tooltip("Camera ready");
    icon->show_balloon("Done", "Inspection finished", logo());
    icon->show_balloon("Failed", "No camera", nullptr);
    icon->show_tooltip();
    icon->set_callback([](void*, const notification::tray_event&) {}, nullptr);
    icon->set_menu_lines({"Open", "Exit"});
    shell_row with_icon{NIM_MODIFY, NIF_ICON};
    with_icon.icon = logo();
    shell_row tooltip{NIM_MODIFY, NIF_TIP};
    tooltip.tip = L"Camera ready";
    shell_row balloon{NIM_MODIFY, NIF_INFO};
    balloon.title = L"Done";
    balloon.info = L"Inspection finished";
    balloon.balloon_icon = logo();
    balloon.info_flags = 0x24;  // NIIF_USER | NIIF_LARGE_ICON
    shell_row error_balloon{NIM_MODIFY, NIF_INFO};
    error_balloon.title = L"Failed";
    error_balloon.info = L"No camera";
    error_balloon.info_flags = 3;  // NIIF_ERROR
    expect({with_icon, tooltip, balloon, error_balloon, {NIM_MODIFY, NIF_SHOWTIP}});

    const int32_t id = icon->id();
    tray_test::clear_icon(icon);
    tray_test::expect_requests(take(), {{NIM_DELETE, 0}}, window, id);
}

TEST_F(TrayRequestsTest, FailingRequestsNeverReachTheCaller) {
    recorder.fail(NIM_MODIFY);
    EXPECT_NO_THROW(icon->set_tooltip("x"));
    EXPECT_NO_THROW(icon->show_balloon("t", "x", nullptr));
    EXPECT_NO_THROW(icon->show_tooltip());
    EXPECT_EQ(take().size(), 3u);
    recorder.fail(NIM_ADD);
    std::shared_ptr<tray_icon> unlisted;
    ASSERT_NO_THROW(unlisted = notification::new_tray_icon());
    // The version switch follows a failed add; the record stays registered.
    const auto rows = tray_test::shell_recorder::rows(take());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].message, static_cast<DWORD>(NIM_SETVERSION));
    EXPECT_EQ(notification::find_tray_icon(unlisted->id()), unlisted);
    tray_test::clear_icon(unlisted);
}

struct truncation_case {
    const char* name;
    std::u32string text;
    size_t kept;  // UTF-16 code units that reach the member
};

std::u32string repeated(char32_t c, size_t count) { return std::u32string(count, c); }

TEST_F(TrayRequestsTest, TextsAreCutAtTheirMembersCapacity) {
    const truncation_case tooltips[] = {
        {"127 units", repeated(U'a', 127), 127},
        {"128 units", repeated(U'b', 128), 127},
        {"300 units", repeated(U'c', 300), 127},
        {"64 two-unit characters", repeated(U'\U0001F600', 64), 127},
        {"empty", U"", 0},
    };
    for (const truncation_case& c : tooltips) {
        SCOPED_TRACE(c.name);
        icon->set_tooltip(tray_test::utf8_of(c.text));
        shell_row row{NIM_MODIFY, NIF_TIP};
        row.tip = tray_test::utf16_of(c.text).substr(0, c.kept);
        expect({row});
    }

    const truncation_case titles[] = {
        {"63 units", repeated(U'T', 63), 63},
        {"64 units", repeated(U'U', 64), 63},
        {"non-Latin", repeated(U'\u00E9', 70), 63},
    };
    const truncation_case texts[] = {
        {"255 units", repeated(U'x', 255), 255},
        {"256 units", repeated(U'y', 256), 255},
        // 510 units: the cut falls between the halves of a surrogate pair.
        {"255 characters outside the basic plane", repeated(U'\U0001F600', 255), 255},
    };
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(std::string(titles[i].name) + " / " + texts[i].name);
        icon->show_balloon(tray_test::utf8_of(titles[i].text), tray_test::utf8_of(texts[i].text), nullptr);
        shell_row row{NIM_MODIFY, NIF_INFO};
        row.title = tray_test::utf16_of(titles[i].text).substr(0, titles[i].kept);
        row.info = tray_test::utf16_of(texts[i].text).substr(0, texts[i].kept);
        row.info_flags = NIIF_ERROR;
        expect({row});
    }
    // The cut pair leaves its high half as the last unit.
    icon->show_balloon("t", tray_test::utf8_of(repeated(U'\U0001F600', 255)), nullptr);
    const auto taken = take();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].data.szInfo[254], static_cast<wchar_t>(0xD83D));
    EXPECT_EQ(taken[0].data.szInfo[255], L'\0');
}

TEST_F(TrayRequestsTest, TextThatIsNotUtf8IsRefusedBeforeAnyRequest) {
    const std::string invalid = "\xC3\x28";
    auto expect_bad_conversion = [](auto operation) {
        try {
            operation();
            ADD_FAILURE() << "no exception";
        } catch (const std::range_error& error) {
            EXPECT_STREQ(error.what(), "bad conversion");
        }
    };
    expect_bad_conversion([&] { icon->set_tooltip(invalid); });
    expect_bad_conversion([&] { icon->show_balloon(invalid, "text", nullptr); });
    expect_bad_conversion([&] { icon->show_balloon("title", invalid, logo()); });
    expect_bad_conversion([&] { icon->show_stock_balloon("title", invalid, notification::builtin_logo_stock_id); });
    const auto pixels = tray_test::patterned_pixels(4, 4);
    expect_bad_conversion([&] { icon->show_pixels_balloon(invalid, "text", 4, 4, pixels.data()); });
    EXPECT_TRUE(take().empty());
}

TEST_F(TrayRequestsTest, TheRecordKeepsExactlyOneCopyOfTheIconLastShown) {
    const auto pixels = tray_test::patterned_pixels(16, 16);
    const notification::unique_icon first(notification::hicon_from_bgra(16, 16, pixels.data()));
    const notification::unique_icon second(notification::hicon_from_bgra(16, 16, pixels.data()));
    ASSERT_TRUE(first && second);

    icon->set_icon(first.get());
    const HICON first_copy = icon->icon_copy();
    EXPECT_TRUE(tray_test::icon_exists(first_copy));
    EXPECT_NE(first_copy, first.get());

    icon->set_icon(second.get());
    const HICON second_copy = icon->icon_copy();
    EXPECT_TRUE(tray_test::icon_exists(second_copy));
    EXPECT_NE(second_copy, second.get());
    EXPECT_FALSE(tray_test::icon_exists(first_copy)) << "the first copy was not released";
    // The caller's icons stay the caller's.
    EXPECT_TRUE(tray_test::icon_exists(first.get()));
    EXPECT_TRUE(tray_test::icon_exists(second.get()));

    // The shell gets the caller's handle, not the copy.
    const auto rows = tray_test::shell_recorder::rows(take());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].icon, first.get());
    EXPECT_EQ(rows[1].icon, second.get());

    tray_test::clear_icon(icon);
    EXPECT_FALSE(tray_test::icon_exists(second_copy)) << "the record's copy outlived it";
}

TEST_F(TrayRequestsTest, AFailingIconChangeKeepsTheIconTheRecordHad) {
    const auto pixels = tray_test::patterned_pixels(8, 8);
    const notification::unique_icon first(notification::hicon_from_bgra(8, 8, pixels.data()));
    const notification::unique_icon second(notification::hicon_from_bgra(8, 8, pixels.data()));
    icon->set_icon(first.get());
    const HICON kept = icon->icon_copy();

    recorder.fail(NIM_MODIFY);
    icon->set_icon(second.get());
    EXPECT_EQ(icon->icon_copy(), kept);
    EXPECT_TRUE(tray_test::icon_exists(kept));
    icon->set_icon(nullptr);
    EXPECT_EQ(icon->icon_copy(), kept);
}

TEST_F(TrayRequestsTest, NoImageClearsTheShownIconAndTheRecordsCopy) {
    const auto pixels = tray_test::patterned_pixels(8, 8);
    struct no_image {
        const char* name;
        int32_t width;
        int32_t height;
        const uint8_t* bgra;
    };
    const no_image cases[] = {
        {"width 0", 0, 8, pixels.data()},
        {"height 0", 8, 0, pixels.data()},
        {"negative width", -8, 8, pixels.data()},
        {"no pixels", 8, 8, nullptr},
    };
    for (const no_image& c : cases) {
        SCOPED_TRACE(c.name);
        icon->set_icon_pixels(8, 8, pixels.data());
        const HICON previous = icon->icon_copy();
        ASSERT_TRUE(tray_test::icon_exists(previous));
        take();
        icon->set_icon_pixels(c.width, c.height, c.bgra);
        expect({{NIM_MODIFY, NIF_ICON}});
        EXPECT_EQ(icon->icon_copy(), nullptr);
        EXPECT_FALSE(tray_test::icon_exists(previous));
    }
}

TEST_F(TrayRequestsTest, IconsMadeForOneRequestAreReleasedAfterIt) {
    const auto pixels = tray_test::patterned_pixels(24, 24);
    icon->set_icon_pixels(24, 24, pixels.data());
    icon->set_stock_icon(notification::builtin_logo_stock_id);
    icon->show_stock_balloon("t", "x", notification::builtin_logo_stock_id);
    icon->show_pixels_balloon("t", "x", 24, 24, pixels.data());
    const auto rows = tray_test::shell_recorder::rows(take());
    ASSERT_EQ(rows.size(), 4u);
    const HICON handed[] = {rows[0].icon, rows[1].icon, rows[2].balloon_icon, rows[3].balloon_icon};
    for (HICON made : handed) {
        EXPECT_NE(made, nullptr);
        EXPECT_FALSE(tray_test::icon_exists(made)) << "an icon made for one request was kept";
    }
    EXPECT_EQ(rows[2].info_flags, 0x24u);
    EXPECT_EQ(rows[3].info_flags, 0x24u);
    EXPECT_TRUE(tray_test::icon_exists(icon->icon_copy()));
}

TEST_F(TrayRequestsTest, StockIconsAreWhatTheShellOrTheHostProgramGives) {
    // This test program has no icon of its own: stock id 183 gives none,
    // and its balloon shows the shell's error icon.
    icon->set_stock_icon(notification::host_program_stock_id);
    icon->show_stock_balloon("t", "x", notification::host_program_stock_id);
    shell_row no_icon{NIM_MODIFY, NIF_ICON};
    shell_row error_balloon{NIM_MODIFY, NIF_INFO};
    error_balloon.title = L"t";
    error_balloon.info = L"x";
    error_balloon.info_flags = NIIF_ERROR;
    expect({no_icon, error_balloon});

    // Any other id is the shell's: the record shows an icon exactly when the
    // shell has one for it.
    for (const int32_t stock_id : {int32_t{SIID_WARNING}, int32_t{SIID_INFO}, int32_t{99999}}) {
        SCOPED_TRACE(stock_id);
        SHSTOCKICONINFO info{};
        info.cbSize = sizeof(info);
        const bool shell_has_icon = SHGetStockIconInfo(static_cast<SHSTOCKICONID>(stock_id), SHGSI_ICON, &info) ==
                                        S_OK && info.hIcon != nullptr;
        if (info.hIcon) DestroyIcon(info.hIcon);
        icon->set_stock_icon(stock_id);
        const auto rows = tray_test::shell_recorder::rows(take());
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].icon != nullptr, shell_has_icon);
        EXPECT_EQ(icon->icon_copy() != nullptr, shell_has_icon);
    }
}

TEST(TrayIcons, TheBuiltInLogoIsA64By64IconOfThePackagesPixels) {
    const notification::unique_icon logo(notification::hicon_for_stock_id(notification::builtin_logo_stock_id));
    ASSERT_TRUE(logo);
    const tray_test::icon_pixels seen = tray_test::pixels_of(logo.get());
    EXPECT_EQ(seen.width, 64);
    EXPECT_EQ(seen.height, 64);
    ASSERT_EQ(seen.bgra.size(), sizeof(notification::builtin_logo_bgra));
    EXPECT_TRUE(std::equal(seen.bgra.begin(), seen.bgra.end(), notification::builtin_logo_bgra));
    // Not a blank: both transparent corners and an opaque middle.
    EXPECT_EQ(notification::builtin_logo_bgra[3], 0);
    EXPECT_EQ(notification::builtin_logo_bgra[(32 * 64 + 32) * 4 + 3], 255);
}

TEST(TrayIcons, AnIconFromPixelsHoldsThemUnchangedTopRowFirst) {
    for (const auto& size : {std::pair<int32_t, int32_t>{1, 1}, {16, 16}, {7, 3}, {3, 7}, {256, 256}}) {
        SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second));
        const auto pixels = tray_test::patterned_pixels(size.first, size.second);
        const notification::unique_icon made(notification::hicon_from_bgra(size.first, size.second, pixels.data()));
        ASSERT_TRUE(made);
        const tray_test::icon_pixels seen = tray_test::pixels_of(made.get());
        EXPECT_EQ(seen.width, size.first);
        EXPECT_EQ(seen.height, size.second);
        EXPECT_EQ(seen.bgra, pixels);
    }
}

TEST(TrayIcons, ImagesTooLargeForTheirByteCountGiveNoIcon) {
    // The pointer is never read: 30000 x 30000 x 4 bytes do not fit 32 bits.
    const uint8_t one_pixel[4] = {1, 2, 3, 255};
    EXPECT_EQ(notification::hicon_from_bgra(30000, 30000, one_pixel), nullptr);
    EXPECT_EQ(notification::hicon_from_bgra(0x7FFFFFFF, 1, one_pixel), nullptr);
}

}  // namespace
