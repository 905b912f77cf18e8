// The six tray operators through their entry functions, as HALCON calls
// them, with the shell requests they make recorded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notification_operators.h"
#include "tray_test_support.h"

namespace {

using tray_test::image_input;
using tray_test::outcome;
using tray_test::run;
using tray_test::shell_recorder;

const char* const invalid_handle_text = "the handle to the tray icon is invalid";
const char* const invalid_name_text = "invalid name of stock icon";

const image_input gray_image{1, HIMAGE_BYTE, 8, 8, 200};
const image_input colour_image{3, HIMAGE_BYTE, 8, 8, 90};
const image_input two_channel_image{2, HIMAGE_BYTE, 8, 8, 90};
const image_input non_byte_image{1, 4, 8, 8, 90};

class TrayOperatorTest : public ::testing::Test {
protected:
    void TearDown() override { run(CClearAllTrayIcons, {}); }

    // A new icon that must succeed; gives its handle.
    int32_t made_icon(const std::string& tooltip, const std::string& name, Hlong queue = 0) {
        const outcome made = run(CCreateTrayIcon, {{tooltip}, {name}, {queue}});
        EXPECT_EQ(made.status, 2);
        EXPECT_EQ(made.output_count, 1);
        return static_cast<int32_t>(made.handle);
    }

    std::vector<DWORD> messages_for(int32_t id) {
        std::vector<DWORD> result;
        for (const auto& request : shell_recorder::instance().for_icon(id)) result.push_back(request.message);
        return result;
    }

    std::vector<tray_test::shell_request> modifies_with(int32_t id, UINT flag) {
        std::vector<tray_test::shell_request> result;
        for (const auto& request : shell_recorder::instance().for_icon(id)) {
            if (request.message == NIM_MODIFY && (request.flags & flag)) result.push_back(request);
        }
        return result;
    }

    tray_test::recorded_shell shell;
};

TEST_F(TrayOperatorTest, AnEmptyTooltipMakesNoTooltipRequestAndAGivenOneIsSetOnce) {
    const int32_t silent = made_icon("", "WARNING");
    EXPECT_EQ(messages_for(silent), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_MODIFY}));
    EXPECT_TRUE(modifies_with(silent, NIF_TIP).empty());
    // Wine's shell gives no pictures for its stock icons, so only the
    // request is seen here.
    EXPECT_EQ(modifies_with(silent, NIF_ICON).size(), 1u);

    const int32_t talking = made_icon("Camera 2 ready", "INFO");
    const auto tips = modifies_with(talking, NIF_TIP);
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].tip, L"Camera 2 ready");
}

TEST_F(TrayOperatorTest, StockIconNamesMakeIconsInAnyCase) {
    for (const char* name : {"warning", "Warning", "WARNING", "wArNiNg"}) {
        SCOPED_TRACE(name);
        const int32_t id = made_icon("", name);
        EXPECT_EQ(modifies_with(id, NIF_ICON).size(), 1u);
    }
}

TEST_F(TrayOperatorTest, AnUnknownNameGives12002BeforeAnyIconAndUsesNoHandle) {
    const int32_t before = made_icon("", "INFO");
    shell_recorder::instance().clear();
    for (const char* name : {"WARNING ", " WARNING", "SIID_WARNING", ""}) {
        SCOPED_TRACE(std::string("'") + name + "'");
        const outcome failed = run(CCreateTrayIcon, {{std::string("tip")}, {std::string(name)}, {Hlong{7}}});
        EXPECT_EQ(failed.status, 12002);
        EXPECT_EQ(failed.error_texts, std::vector<std::string>{invalid_name_text});
        EXPECT_EQ(failed.output_count, -1);
    }
    EXPECT_TRUE(shell_recorder::instance().all().empty());
    EXPECT_EQ(made_icon("", "INFO"), before + 1);
}

TEST_F(TrayOperatorTest, AnInvalidUtf8TooltipTakesTheIconAwayAgainAndKeepsItsHandleUsed) {
    const int32_t before = made_icon("", "INFO");
    const outcome failed = run(CCreateTrayIcon, {{std::string("\xC3\x28")}, {std::string("INFO")}, {Hlong{7}}});
    EXPECT_EQ(failed.status, 3);
    EXPECT_EQ(failed.output_count, -1);
    const int32_t rolled_back = before + 1;
    const std::vector<DWORD> requests = messages_for(rolled_back);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(requests.back(), static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE(modifies_with(rolled_back, NIF_TIP).empty());
    // Gone from the registry: its handle is invalid now.
    EXPECT_EQ(run(CClearTrayIcon, {{Hlong{rolled_back}}}).status, 12001);
    EXPECT_EQ(made_icon("", "INFO"), rolled_back + 1);
}

TEST_F(TrayOperatorTest, ImageIconsFromOneObjectShowItsPixels) {
    const outcome gray = run(CCreateTrayIconImage, {{std::string("gray")}}, {gray_image});
    ASSERT_EQ(gray.status, 2);
    ASSERT_EQ(modifies_with(static_cast<int32_t>(gray.handle), NIF_ICON).size(), 1u);
    const tray_test::icon_look look = modifies_with(static_cast<int32_t>(gray.handle), NIF_ICON)[0].icon;
    EXPECT_TRUE(look.present);
    EXPECT_EQ(look.width, 8);
    EXPECT_EQ(look.centre_bgra, 0xFFC8C8C8u);
}

TEST_F(TrayOperatorTest, ImageIconsFromNoObjectOrTwoObjectsHaveNoPicture) {
    for (const auto& images : {std::vector<image_input>{}, std::vector<image_input>{gray_image, colour_image}}) {
        SCOPED_TRACE(images.size());
        const outcome made = run(CCreateTrayIconImage, {{std::string("no picture")}}, images);
        ASSERT_EQ(made.status, 2);
        ASSERT_EQ(made.output_count, 1);
        const auto icons = modifies_with(static_cast<int32_t>(made.handle), NIF_ICON);
        ASSERT_EQ(icons.size(), 1u);
        EXPECT_FALSE(icons[0].icon.present);
    }
}

TEST_F(TrayOperatorTest, BadImagesFailBeforeAnyIconOrAfterItWithARollBack) {
    struct case_row {
        image_input image;
        Herror status;
    };
    const case_row cases[] = {
        {two_channel_image, 5570},
        {non_byte_image, 9001},
    };
    for (const case_row& row : cases) {
        SCOPED_TRACE(row.status);
        shell_recorder::instance().clear();
        const outcome failed = run(CCreateTrayIconImage, {{std::string("tip")}}, {row.image});
        EXPECT_EQ(failed.status, row.status);
        EXPECT_EQ(failed.output_count, -1);
        EXPECT_TRUE(failed.error_texts.empty());
        EXPECT_TRUE(shell_recorder::instance().all().empty());
    }
}

TEST_F(TrayOperatorTest, ChannelsOfDifferentSizesGive9020AndTheNewIconIsRolledBack) {
    standin_reset();
    Hproc_handle proc = standin_new_proc();
    standin_push_string(proc, 1, "tip");
    const int32_t object = standin_add_object(proc, 1);
    const std::vector<uint8_t> pixels(64, 5);
    standin_add_channel(proc, 1, object, HIMAGE_BYTE, 8, 8, pixels.data());
    standin_add_channel(proc, 1, object, HIMAGE_BYTE, 4, 4, pixels.data());
    standin_add_channel(proc, 1, object, HIMAGE_BYTE, 8, 8, pixels.data());
    standin_add_run(proc, 1, object, 0, 0, 7);
    EXPECT_EQ(CCreateTrayIconImage(proc), 9020);
    EXPECT_EQ(standin_output_count(proc, 1), -1);
    const auto requests = shell_recorder::instance().all();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(requests.back().message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(requests.back().id, requests.front().id);
}

TEST_F(TrayOperatorTest, BalloonsCheckTheHandleFirstThenTheName) {
    const int32_t id = made_icon("", "INFO");
    const Hlong unused = id + 1000;
    const outcome both_bad = run(CDisplayBalloon, {{unused}, {std::string("t")}, {std::string("x")}, {std::string("nope")}});
    EXPECT_EQ(both_bad.status, 12001);
    EXPECT_EQ(both_bad.error_texts, std::vector<std::string>{invalid_handle_text});
    const outcome bad_name = run(CDisplayBalloon, {{Hlong{id}}, {std::string("t")}, {std::string("x")}, {std::string("nope")}});
    EXPECT_EQ(bad_name.status, 12002);
    EXPECT_EQ(bad_name.error_texts, std::vector<std::string>{invalid_name_text});
    EXPECT_TRUE(modifies_with(id, NIF_INFO).empty());

    const outcome shown =
        run(CDisplayBalloon, {{Hlong{id}}, {std::string("Inspection")}, {std::string("Lot 7 done")}, {std::string("shield")}});
    EXPECT_EQ(shown.status, 2);
    const auto balloons = modifies_with(id, NIF_INFO);
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].balloon_title, L"Inspection");
    EXPECT_EQ(balloons[0].balloon_text, L"Lot 7 done");
}

TEST_F(TrayOperatorTest, ImageBalloonsCheckTheImageBeforeTheHandle) {
    const int32_t id = made_icon("", "INFO");
    const Hlong unused = id + 1000;
    EXPECT_EQ(run(CDisplayBalloonImage, {{unused}, {std::string("t")}, {std::string("x")}}, {two_channel_image}).status,
              5570);
    EXPECT_EQ(run(CDisplayBalloonImage, {{unused}, {std::string("t")}, {std::string("x")}}, {non_byte_image}).status,
              9001);
    const outcome good_image_bad_handle =
        run(CDisplayBalloonImage, {{unused}, {std::string("t")}, {std::string("x")}}, {colour_image});
    EXPECT_EQ(good_image_bad_handle.status, 12001);
    EXPECT_EQ(good_image_bad_handle.error_texts, std::vector<std::string>{invalid_handle_text});
    EXPECT_TRUE(modifies_with(id, NIF_INFO).empty());

    const outcome shown =
        run(CDisplayBalloonImage, {{Hlong{id}}, {std::string("Inspection")}, {std::string("Lot 7 done")}}, {colour_image});
    EXPECT_EQ(shown.status, 2);
    const auto balloons = modifies_with(id, NIF_INFO);
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].balloon_title, L"Inspection");
    EXPECT_EQ(balloons[0].balloon_text, L"Lot 7 done");
    EXPECT_EQ(balloons[0].balloon_icon.width, 8);
    EXPECT_EQ(balloons[0].balloon_icon.centre_bgra, 0xFF5A5A5Au);
}

// The image operators check their image first: its channel count, then its
// pixel type, before any control parameter; the balloon's handle comes
// before the image's conversion.
TEST_F(TrayOperatorTest, TheImageOperatorsCheckInTheirOwnOrder) {
    struct channel {
        int32_t kind;
        int32_t size;  // width and height
    };
    struct case_row {
        const char* what;
        tray_test::entry_function entry;
        std::vector<standin::input_tuple> inputs;
        std::vector<channel> channels;
        Herror status;
    };
    const Hlong unused_handle = Hlong{1} << 30;
    const std::string text = "x";
    const case_row cases[] = {
        {"icon: two channels of another pixel type", CCreateTrayIconImage, {{text}}, {{4, 8}, {4, 8}}, 5570},
        {"balloon: two channels of another pixel type", CDisplayBalloonImage,
         {{unused_handle}, {text}, {text}}, {{4, 8}, {4, 8}}, 5570},
        {"icon: bad image, tooltip no string", CCreateTrayIconImage, {{Hlong{5}}}, {{HIMAGE_BYTE, 8}, {HIMAGE_BYTE, 8}},
         5570},
        {"balloon: bad image, handle no integer", CDisplayBalloonImage, {{text}, {text}, {text}},
         {{HIMAGE_BYTE, 8}, {HIMAGE_BYTE, 8}}, 5570},
        {"balloon: wrong handle, channels of different sizes", CDisplayBalloonImage,
         {{unused_handle}, {text}, {text}}, {{HIMAGE_BYTE, 8}, {HIMAGE_BYTE, 4}, {HIMAGE_BYTE, 8}}, 12001},
    };
    const std::vector<uint8_t> pixels(64, 5);
    for (const case_row& row : cases) {
        SCOPED_TRACE(row.what);
        shell_recorder::instance().clear();
        standin_reset();
        Hproc_handle proc = standin_new_proc();
        for (size_t i = 0; i < row.inputs.size(); ++i) standin::push(proc, static_cast<int32_t>(i + 1), row.inputs[i]);
        const int32_t object = standin_add_object(proc, 1);
        for (const channel& c : row.channels) standin_add_channel(proc, 1, object, c.kind, c.size, c.size, pixels.data());
        standin_add_run(proc, 1, object, 0, 0, 3);
        EXPECT_EQ(row.entry(proc), row.status);
        EXPECT_EQ(standin_output_count(proc, 1), -1);
        EXPECT_TRUE(shell_recorder::instance().all().empty());
    }
}

TEST_F(TrayOperatorTest, MaxIconsIsAcceptedButNamesNoPicture) {
    const int32_t id = made_icon("", "MAX_ICONS");
    ASSERT_EQ(modifies_with(id, NIF_ICON).size(), 1u);
    EXPECT_FALSE(modifies_with(id, NIF_ICON)[0].icon.present);
    ASSERT_EQ(run(CDisplayBalloon, {{Hlong{id}}, {std::string("t")}, {std::string("x")}, {std::string("max_icons")}}).status,
              2);
    const auto balloons = modifies_with(id, NIF_INFO);
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_FALSE(balloons[0].balloon_icon.present);
    EXPECT_EQ(balloons[0].balloon_flags, static_cast<DWORD>(NIIF_ERROR));
}

TEST_F(TrayOperatorTest, AppShowsTheHostProgramsIconAndTheLogoIs64By64) {
    // The test program carries a 32 x 32 icon of one colour.
    const int32_t app = made_icon("", "APP");
    ASSERT_EQ(modifies_with(app, NIF_ICON).size(), 1u);
    const tray_test::icon_look host = modifies_with(app, NIF_ICON)[0].icon;
    EXPECT_TRUE(host.present);
    EXPECT_EQ(host.width, 32);
    EXPECT_EQ(host.centre_bgra & 0xFFFFFFu, 0x2E8B57u);

    const int32_t logo = made_icon("", "rovuvarevozarivode");
    ASSERT_EQ(modifies_with(logo, NIF_ICON).size(), 1u);
    EXPECT_EQ(modifies_with(logo, NIF_ICON)[0].icon.width, 64);
    EXPECT_EQ(modifies_with(logo, NIF_ICON)[0].icon.height, 64);
}

TEST_F(TrayOperatorTest, ClearingRemovesTheIconOnceAndClearAllEmptiesTheRegistry) {
    const int32_t first = made_icon("", "INFO");
    const int32_t second = made_icon("", "INFO");
    EXPECT_EQ(run(CClearTrayIcon, {{Hlong{first}}}).status, 2);
    EXPECT_EQ(messages_for(first).back(), static_cast<DWORD>(NIM_DELETE));
    const outcome again = run(CClearTrayIcon, {{Hlong{first}}});
    EXPECT_EQ(again.status, 12001);
    EXPECT_EQ(again.error_texts, std::vector<std::string>{invalid_handle_text});

    EXPECT_EQ(run(CClearAllTrayIcons, {}).status, 2);
    EXPECT_EQ(messages_for(second).back(), static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(run(CClearTrayIcon, {{Hlong{second}}}).status, 12001);
    EXPECT_EQ(run(CClearAllTrayIcons, {}).status, 2);
    EXPECT_EQ(made_icon("", "INFO"), second + 1);
}

TEST_F(TrayOperatorTest, ParameterErrorsComeInPositionOrderAndMakeNothing) {
    struct case_row {
        std::vector<standin::input_tuple> inputs;
        Herror status;
    };
    const std::string text = "x";
    const case_row cases[] = {
        {{{Hlong{1}}, {text}, {Hlong{0}}}, 1201},
        {{{text}, {}, {Hlong{0}}}, 1402},
        {{{text}, {std::string("INFO")}, {Hlong{1}, Hlong{2}}}, 1403},
        {{{text}, {std::string("INFO")}, {text}}, 1203},
    };
    for (const case_row& row : cases) {
        SCOPED_TRACE(row.status);
        EXPECT_EQ(run(CCreateTrayIcon, row.inputs).status, row.status);
    }
    EXPECT_TRUE(shell_recorder::instance().all().empty());
}

}  // namespace
