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
 * "key=v1,v2;key=v;..." in the order the keys were set. */
STANDINC_API int32_t standin_queue_length(Hlong queue);
STANDINC_API const char* standin_queue_message(Hlong queue, int32_t index);
STANDINC_API void standin_clear_queues(void);
/* How many tuples are alive (made and not yet destroyed). */
STANDINC_API int32_t standin_live_tuples(void);

#ifdef __cplusplus
}
#endif

#endif
