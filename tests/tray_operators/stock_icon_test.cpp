// The stock icon names HALCON programs pass and the ids they stand for.
#include <gtest/gtest.h>

#include <locale>
#include <string>

#include "herrorexception.h"
#include "platform_balloon.h"
#include "scoped_locale.h"

namespace {

int code_of_lookup(const std::string& name) {
    try {
        notification::stock_icon_id(name);
    } catch (const hextcpp::herror_exception& error) {
        EXPECT_TRUE(error.has_own_message);
        EXPECT_STREQ(error.what(), "invalid name of stock icon");
        return error.code;
    }
    return 2;
}

TEST(StockIconId, NamesGiveTheShellsIdsAndOurOwn) {
    struct row {
        const char* name;
        int32_t id;
    };
    const row rows[] = {
        {"DOCNOASSOC", 0},   {"DOCASSOC", 1},       {"DRIVERAM", 12},     {"WORLD", 13},
        {"SERVER", 15},      {"FIND", 22},          {"HELP", 23},         {"SHARE", 28},
        {"RECYCLERFULL", 32}, {"MEDIACDAUDIO", 40}, {"LOCK", 47},         {"AUTOLIST", 49},
        {"SHIELD", 77},      {"WARNING", 78},       {"INFO", 79},         {"ERROR", 80},
        {"SETTINGS", 106},   {"DRIVEHDDVD", 132},   {"CLUSTEREDDRIVE", 140}, {"MAX_ICONS", 181},
        {"rovuvarevozarivode", 182}, {"app", 183},
        {"warning", 78},     {"Warning", 78},       {"ROVUVAREVOZARIVODE", 182}, {"App", 183},
    };
    for (const row& item : rows) {
        SCOPED_TRACE(item.name);
        EXPECT_EQ(notification::stock_icon_id(item.name), item.id);
    }
}

TEST(StockIconId, EveryOneOfThe96NamesIsAcceptedAndNothingElse) {
    const char* const names[] = {
        "DOCNOASSOC", "DOCASSOC", "APPLICATION", "FOLDER", "FOLDEROPEN", "DRIVE525", "DRIVE35", "DRIVEREMOVE",
        "DRIVEFIXED", "DRIVENET", "DRIVENETDISABLED", "DRIVECD", "DRIVERAM", "WORLD", "SERVER", "PRINTER",
        "MYNETWORK", "FIND", "HELP", "SHARE", "LINK", "SLOWFILE", "RECYCLER", "RECYCLERFULL", "MEDIACDAUDIO",
        "LOCK", "AUTOLIST", "PRINTERNET", "SERVERSHARE", "PRINTERFAX", "PRINTERFAXNET", "PRINTERFILE", "STACK",
        "MEDIASVCD", "STUFFEDFOLDER", "DRIVEUNKNOWN", "DRIVEDVD", "MEDIADVD", "MEDIADVDRAM", "MEDIADVDRW",
        "MEDIADVDR", "MEDIADVDROM", "MEDIACDAUDIOPLUS", "MEDIACDRW", "MEDIACDR", "MEDIACDBURN", "MEDIABLANKCD",
        "MEDIACDROM", "AUDIOFILES", "IMAGEFILES", "VIDEOFILES", "MIXEDFILES", "FOLDERBACK", "FOLDERFRONT",
        "SHIELD", "WARNING", "INFO", "ERROR", "KEY", "SOFTWARE", "RENAME", "DELETE", "MEDIAAUDIODVD",
        "MEDIAMOVIEDVD", "MEDIAENHANCEDCD", "MEDIAENHANCEDDVD", "MEDIAHDDVD", "MEDIABLURAY", "MEDIAVCD",
        "MEDIADVDPLUSR", "MEDIADVDPLUSRW", "DESKTOPPC", "MOBILEPC", "USERS", "MEDIASMARTMEDIA",
        "MEDIACOMPACTFLASH", "DEVICECELLPHONE", "DEVICECAMERA", "DEVICEVIDEOCAMERA", "DEVICEAUDIOPLAYER",
        "NETWORKCONNECT", "INTERNET", "ZIPFILE", "SETTINGS", "DRIVEHDDVD", "DRIVEBD", "MEDIAHDDVDROM",
        "MEDIAHDDVDR", "MEDIAHDDVDRAM", "MEDIABDROM", "MEDIABDR", "MEDIABDRE", "CLUSTEREDDRIVE", "MAX_ICONS",
        "rovuvarevozarivode", "app"};
    ASSERT_EQ(sizeof names / sizeof names[0], 96u);
    int32_t previous = -1;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const int32_t id = notification::stock_icon_id(name);
        // The rows run in ascending id order.
        EXPECT_GT(id, previous);
        previous = id;
    }
    for (const char* name : {"WARNING ", " WARNING", "SIID_WARNING", "WARN", "", "app\n", "MAX ICONS"}) {
        SCOPED_TRACE(std::string("'") + name + "'");
        EXPECT_EQ(code_of_lookup(name), 12002);
    }
}

TEST(StockIconId, FollowsTheGlobalLocaleOfTheMoment) {
    EXPECT_EQ(notification::stock_icon_id("info"), 79);
    {
        test_locale::scoped_global_locale turkish(test_locale::dotted_i_locale());
        // Under it 'i' and 'I' no longer match; our own row is written in
        // lower case, so there only the lower-case name matches.
        for (const char* name : {"info", "warning", "Printer", "ROVUVAREVOZARIVODE"}) {
            SCOPED_TRACE(name);
            EXPECT_EQ(code_of_lookup(name), 12002);
        }
        EXPECT_EQ(notification::stock_icon_id("INFO"), 79);
        EXPECT_EQ(notification::stock_icon_id("lock"), 47);
        EXPECT_EQ(notification::stock_icon_id("rovuvarevozarivode"), 182);
    }
    EXPECT_EQ(notification::stock_icon_id("info"), 79);
}

}  // namespace
