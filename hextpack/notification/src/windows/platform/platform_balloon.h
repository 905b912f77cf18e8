// The tray layer's front end for the tray operators: checks handles and
// names, makes and configures icon records, and puts icon events into HALCON
// message queues.
#ifndef NOTIFICATION_PLATFORM_BALLOON_H
#define NOTIFICATION_PLATFORM_BALLOON_H

#include <cstdint>
#include <string>

#include "core_params.h"
#include "tray_icon.h"

namespace notification {

constexpr int invalid_tray_icon_handle = 12001;
constexpr int invalid_stock_icon_name = 12002;

// Makes an icon showing a stock icon; handle receives its handle only when
// everything succeeded. A queue of 0 means the icon delivers no events.
void create_named_tray_icon(const std::string& tooltip, const std::string& stock_icon_name, Hlong message_queue,
                            int32_t& handle);
// Makes an icon from an image (an empty image gives an icon without picture).
void create_image_tray_icon(const hextcpp::image_object& image, const std::string& tooltip, Hlong message_queue,
                            int32_t& handle);
void destroy_tray_icon(int32_t handle);
void show_named_balloon(int32_t handle, const std::string& title, const std::string& text,
                        const std::string& stock_icon_name);
void show_image_balloon(int32_t handle, const hextcpp::image_object& image, const std::string& title,
                        const std::string& text);

// The stock icon id for a name, in any case; 12002 when there is none.
int32_t stock_icon_id(const std::string& name);

// The event callback of icons with a queue: one HALCON message per event,
// one integer tuple per key. The user data is the queue handle. A failing
// HALCON call loses the event; nothing is thrown.
void enqueue_tray_event(void* message_queue, const tray_event& event) noexcept;

// The queue handle as an icon stores it, and back.
void* message_queue_user_data(Hlong message_queue);
Hlong message_queue_from_user_data(void* user_data);

}  // namespace notification

#endif
