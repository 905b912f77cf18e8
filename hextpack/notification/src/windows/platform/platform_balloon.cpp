#include "platform_balloon.h"

#include <locale>
#include <memory>
#include <utility>

#include <boost/algorithm/string/predicate.hpp>

#include "herrorexception.h"
#include "tray_window.h"

namespace notification {

namespace {

// HALCON's memory tracing gets this source name with every tuple call.
const char* const tuple_source = "platform_balloon";

struct stock_icon_row {
    const char* name;
    int32_t id;
};

// Shell stock icon ids (SHSTOCKICONID without SIID_), then the shell's end
// marker and the two ids of our own. The first matching row wins.
constexpr stock_icon_row stock_icon_table[] = {
    {"DOCNOASSOC", 0},
    {"DOCASSOC", 1},
    {"APPLICATION", 2},
    {"FOLDER", 3},
    {"FOLDEROPEN", 4},
    {"DRIVE525", 5},
    {"DRIVE35", 6},
    {"DRIVEREMOVE", 7},
    {"DRIVEFIXED", 8},
    {"DRIVENET", 9},
    {"DRIVENETDISABLED", 10},
    {"DRIVECD", 11},
    {"DRIVERAM", 12},
    {"WORLD", 13},
    {"SERVER", 15},
    {"PRINTER", 16},
    {"MYNETWORK", 17},
    {"FIND", 22},
    {"HELP", 23},
    {"SHARE", 28},
    {"LINK", 29},
    {"SLOWFILE", 30},
    {"RECYCLER", 31},
    {"RECYCLERFULL", 32},
    {"MEDIACDAUDIO", 40},
    {"LOCK", 47},
    {"AUTOLIST", 49},
    {"PRINTERNET", 50},
    {"SERVERSHARE", 51},
    {"PRINTERFAX", 52},
    {"PRINTERFAXNET", 53},
    {"PRINTERFILE", 54},
    {"STACK", 55},
    {"MEDIASVCD", 56},
    {"STUFFEDFOLDER", 57},
    {"DRIVEUNKNOWN", 58},
    {"DRIVEDVD", 59},
    {"MEDIADVD", 60},
    {"MEDIADVDRAM", 61},
    {"MEDIADVDRW", 62},
    {"MEDIADVDR", 63},
    {"MEDIADVDROM", 64},
    {"MEDIACDAUDIOPLUS", 65},
    {"MEDIACDRW", 66},
    {"MEDIACDR", 67},
    {"MEDIACDBURN", 68},
    {"MEDIABLANKCD", 69},
    {"MEDIACDROM", 70},
    {"AUDIOFILES", 71},
    {"IMAGEFILES", 72},
    {"VIDEOFILES", 73},
    {"MIXEDFILES", 74},
    {"FOLDERBACK", 75},
    {"FOLDERFRONT", 76},
    {"SHIELD", 77},
    {"WARNING", 78},
    {"INFO", 79},
    {"ERROR", 80},
    {"KEY", 81},
    {"SOFTWARE", 82},
    {"RENAME", 83},
    {"DELETE", 84},
    {"MEDIAAUDIODVD", 85},
    {"MEDIAMOVIEDVD", 86},
    {"MEDIAENHANCEDCD", 87},
    {"MEDIAENHANCEDDVD", 88},
    {"MEDIAHDDVD", 89},
    {"MEDIABLURAY", 90},
    {"MEDIAVCD", 91},
    {"MEDIADVDPLUSR", 92},
    {"MEDIADVDPLUSRW", 93},
    {"DESKTOPPC", 94},
    {"MOBILEPC", 95},
    {"USERS", 96},
    {"MEDIASMARTMEDIA", 97},
    {"MEDIACOMPACTFLASH", 98},
    {"DEVICECELLPHONE", 99},
    {"DEVICECAMERA", 100},
    {"DEVICEVIDEOCAMERA", 101},
    {"DEVICEAUDIOPLAYER", 102},
    {"NETWORKCONNECT", 103},
    {"INTERNET", 104},
    {"ZIPFILE", 105},
    {"SETTINGS", 106},
    {"DRIVEHDDVD", 132},
    {"DRIVEBD", 133},
    {"MEDIAHDDVDROM", 134},
    {"MEDIAHDDVDR", 135},
    {"MEDIAHDDVDRAM", 136},
    {"MEDIABDROM", 137},
    {"MEDIABDR", 138},
    {"MEDIABDRE", 139},
    {"CLUSTEREDDRIVE", 140},
    {"MAX_ICONS", 181},
    {"rovuvarevozarivode", builtin_logo_stock_id},
    {"app", host_program_stock_id},
};
static_assert(sizeof stock_icon_table / sizeof stock_icon_table[0] == 96, "one row per accepted name");

[[noreturn]] void throw_invalid_handle() {
    throw hextcpp::herror_exception(invalid_tray_icon_handle, "the handle to the tray icon is invalid");
}

std::shared_ptr<tray_icon> existing_tray_icon(int32_t handle) {
    std::shared_ptr<tray_icon> icon = find_tray_icon(handle);
    if (!icon) throw_invalid_handle();
    return icon;
}

// A freshly made icon is taken away again unless its configuration got
// through; its handle stays used.
class creation_rollback {
public:
    explicit creation_rollback(std::shared_ptr<tray_icon> icon) : icon_(std::move(icon)) {}
    ~creation_rollback() {
        if (icon_) unregister_tray_icon(icon_.get());
    }
    creation_rollback(const creation_rollback&) = delete;
    creation_rollback& operator=(const creation_rollback&) = delete;

    tray_icon& icon() const { return *icon_; }
    int32_t commit() {
        const int32_t id = icon_->id();
        icon_.reset();
        return id;
    }

private:
    std::shared_ptr<tray_icon> icon_;
};

void configure_texts_and_events(tray_icon& icon, const std::string& tooltip, Hlong message_queue) {
    // An empty tooltip makes no request at all.
    if (!tooltip.empty()) icon.set_tooltip(tooltip);
    if (message_queue != 0) icon.set_callback(enqueue_tray_event, message_queue_user_data(message_queue));
}

const uint8_t* pixels_or_null(const hextcpp::bgra_image& image) {
    return image.pixels.empty() ? nullptr : image.pixels.data();
}

}  // namespace

void* message_queue_user_data(Hlong message_queue) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(message_queue));
}

Hlong message_queue_from_user_data(void* user_data) {
    return static_cast<Hlong>(reinterpret_cast<intptr_t>(user_data));
}

int32_t stock_icon_id(const std::string& name) {
    for (const stock_icon_row& row : stock_icon_table) {
        // The global locale as it is at the moment of each comparison.
        if (boost::algorithm::iequals(row.name, name, std::locale())) return row.id;
    }
    throw hextcpp::herror_exception(invalid_stock_icon_name, "invalid name of stock icon");
}

void create_named_tray_icon(const std::string& tooltip, const std::string& stock_icon_name, Hlong message_queue,
                            int32_t& handle) {
    // An unknown name fails before any icon or handle exists.
    const int32_t stock_id = stock_icon_id(stock_icon_name);
    creation_rollback creation(new_tray_icon());
    creation.icon().set_stock_icon(stock_id);
    configure_texts_and_events(creation.icon(), tooltip, message_queue);
    handle = creation.commit();
}

void create_image_tray_icon(const hextcpp::image_object& image, const std::string& tooltip, Hlong message_queue,
                            int32_t& handle) {
    creation_rollback creation(new_tray_icon());
    const hextcpp::bgra_image pixels = hextcpp::image_to_bgra(image);
    creation.icon().set_icon_pixels(pixels.width, pixels.height, pixels_or_null(pixels));
    configure_texts_and_events(creation.icon(), tooltip, message_queue);
    handle = creation.commit();
}

void destroy_tray_icon(int32_t handle) {
    // The record goes when the last user lets go; the tray thread may hold it
    // for the event it is delivering.
    unregister_tray_icon(existing_tray_icon(handle).get());
}

void show_named_balloon(int32_t handle, const std::string& title, const std::string& text,
                        const std::string& stock_icon_name) {
    const std::shared_ptr<tray_icon> icon = existing_tray_icon(handle);
    icon->show_stock_balloon(title, text, stock_icon_id(stock_icon_name));
}

void show_image_balloon(int32_t handle, const hextcpp::image_object& image, const std::string& title,
                        const std::string& text) {
    const std::shared_ptr<tray_icon> icon = existing_tray_icon(handle);
    const hextcpp::bgra_image pixels = hextcpp::image_to_bgra(image);
    icon->show_pixels_balloon(title, text, pixels.width, pixels.height, pixels_or_null(pixels));
}

// Runs on the tray thread while the HALCON program may wait on the queue. No
// status is looked at: when a call fails (the queue was cleared meanwhile),
// the rest still runs so every tuple is destroyed, and the event is lost.
void enqueue_tray_event(void* message_queue, const tray_event& event) noexcept {
    Htuple queue = nullptr;
    Htuple message = nullptr;
    Htuple empty = nullptr;
    Mcreate_tuple_i(&queue, message_queue_from_user_data(message_queue), tuple_source, __LINE__);
    T_create_message(&message);
    for (const auto& entry : event) {
        Htuple key = nullptr;
        Htuple value = nullptr;
        Mcreate_tuple_s(&key, entry.first.c_str(), tuple_source, __LINE__);
        Mcreate_tuple_i(&value, entry.second, tuple_source, __LINE__);
        T_set_message_tuple(message, key, value);
        Mdestroy_tuple(key, tuple_source, __LINE__);
        Mdestroy_tuple(value, tuple_source, __LINE__);
    }
    Mcreate_tuple(&empty, 0, tuple_source, __LINE__);
    // The queue takes the message's content, so it can be cleared right away.
    T_enqueue_message(queue, message, empty, empty);
    T_clear_message(message);
    Mdestroy_tuple(message, tuple_source, __LINE__);
    Mdestroy_tuple(queue, tuple_source, __LINE__);
    Mdestroy_tuple(empty, tuple_source, __LINE__);
}

}  // namespace notification
