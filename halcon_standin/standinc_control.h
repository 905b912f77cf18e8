/* Control interface of the stand-in HALCON/C library: the messages the
 * package put into message queues. */
#ifndef HALCONC_STANDIN_CONTROL_H
#define HALCONC_STANDIN_CONTROL_H

#include "halcon_interface.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(HALCONC_STANDIN_BUILD)
#define STANDINC_API __declspec(dllexport)
#else
#define STANDINC_API __declspec(dllimport)
#endif

/* The error text T_get_error_text gives for a code. */
STANDINC_API const char* standin_error_text(Herror code);

/* Messages enqueued into a queue, oldest first, each rendered as
 * "key=v1,v2;key=v;..." in the order the keys were set. A queue holds copies:
 * T_enqueue_message takes the message's content, so clearing the message
 * afterwards leaves the queue as it is. T_create_message, T_set_message_tuple,
 * T_enqueue_message and T_clear_message fail as standin_fail_call plans; a
 * failing T_create_message gives an empty tuple and makes no message. */
STANDINC_API int32_t standin_queue_length(Hlong queue);
STANDINC_API const char* standin_queue_message(Hlong queue, int32_t index);
STANDINC_API void standin_clear_queues(void);
/* The same messages entry by entry: the keys in the order they were set and
 * each key's values with their types (HCPAR_INT, HCPAR_REAL, HCPAR_STRING).
 * Out-of-range indexes give 0, -1 or null. */
STANDINC_API int32_t standin_message_key_count(Hlong queue, int32_t message);
STANDINC_API const char* standin_message_key(Hlong queue, int32_t message, int32_t key);
STANDINC_API int32_t standin_message_value_count(Hlong queue, int32_t message, int32_t key);
STANDINC_API int32_t standin_message_value_type(Hlong queue, int32_t message, int32_t key, int32_t value);
STANDINC_API Hlong standin_message_int(Hlong queue, int32_t message, int32_t key, int32_t value);
/* How many messages have been enqueued into any queue since the library was
 * loaded; read without the stand-in's lock, so a thread may poll it while
 * another one enqueues. */
STANDINC_API int32_t standin_enqueued_count(void);
/* How many messages exist (made by T_create_message and not cleared). */
STANDINC_API int32_t standin_live_messages(void);
/* How many tuples are alive (made and not yet destroyed). */
STANDINC_API int32_t standin_live_tuples(void);

#ifdef __cplusplus
}
#endif

#endif
