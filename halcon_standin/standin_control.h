/* Control interface of the stand-in HALCON runtime used by the tests and the
 * demo. The stand-in exports HALCON's functions under HALCON's library names
 * and records every call the package makes, in order. */
#ifndef HALCON_STANDIN_CONTROL_H
#define HALCON_STANDIN_CONTROL_H

#include "halcon_interface.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(HALCON_STANDIN_BUILD)
#define STANDIN_API __declspec(dllexport)
#else
#define STANDIN_API __declspec(dllimport)
#endif

/* Forgets the call log, the failure plans, the registrations and every
 * procedure handle; switches the spy and memory tracing off. */
STANDIN_API void standin_reset(void);

STANDIN_API void standin_set_spy(Hbool on);
STANDIN_API void standin_set_trace_memory(Hbool on);

/* The nth call (1-based, counted since the reset) of the named function
 * returns code instead of doing its work. */
STANDIN_API void standin_fail_call(const char* function, int32_t nth, Herror code);

/* What HProcessErr answers; 0 (the default) answers the code it was given.
 * A failure plan for HProcessErr makes its nth call answer the plan's code
 * instead. */
STANDIN_API void standin_set_process_err_answer(Herror answer);

/* The call log. Arguments are rendered as text: integers in decimal, texts as
 * they are, a null pointer as "null", other pointers as "0x..." and
 * procedure handles as "proc:N". */
STANDIN_API int32_t standin_call_count(void);
STANDIN_API const char* standin_call_function(int32_t call);
STANDIN_API int32_t standin_call_arg_count(int32_t call);
STANDIN_API const char* standin_call_arg(int32_t call, int32_t arg);

/* What HXPkgSetOpInfo registered for an operator: the value text of an info
 * code (for code 7 the type string of the direction given; the direction is
 * ignored for other codes), or null when nothing was registered. */
STANDIN_API const char* standin_registered(int32_t operator_index, int32_t info_code, int32_t direction);
/* The entry function registered with info code 50, or null. */
STANDIN_API void* standin_registered_entry(int32_t operator_index);
/* How many operators have been given a name (info code 4). */
STANDIN_API int32_t standin_registered_operator_count(void);

/* The operator offset HXPkgOpenId hands out. */
STANDIN_API void standin_set_operator_offset(int32_t offset);
/* Whether a failing HXPkgOpenId still writes the offset to its out-argument
 * (by default it leaves it alone). */
STANDIN_API void standin_set_failed_open_writes_offset(Hbool on);

/* Procedure handles for calling an operator's entry function. */
STANDIN_API Hproc_handle standin_new_proc(void);

/* Input control parameters of a procedure handle: values are appended in
 * order; a position without values is an empty tuple. */
STANDIN_API void standin_push_int(Hproc_handle proc, int32_t position, Hlong value);
STANDIN_API void standin_push_real(Hproc_handle proc, int32_t position, double value);
STANDIN_API void standin_push_string(Hproc_handle proc, int32_t position, const char* value);

/* Output control parameters handed over with HPPutPPar: the value count (-1
 * when nothing was written), and each value's record as HALCON received it. */
STANDIN_API int32_t standin_output_count(Hproc_handle proc, int32_t position);
STANDIN_API const Hcpar* standin_output_records(Hproc_handle proc, int32_t position);

/* Iconic input objects: an object with a domain of runs and channels. A
 * channel whose key is missing makes HPGetComp give key 0; a channel whose
 * image fails makes HPGetImage fail. Pixels are copied. */
STANDIN_API int32_t standin_add_object(Hproc_handle proc, int32_t position);
STANDIN_API void standin_add_run(Hproc_handle proc, int32_t position, int32_t object, Hlong row, Hlong first_column,
                                 Hlong last_column);
STANDIN_API void standin_add_channel(Hproc_handle proc, int32_t position, int32_t object, int32_t kind, int32_t width,
                                     int32_t height, const uint8_t* pixels);
STANDIN_API void standin_add_missing_channel(Hproc_handle proc, int32_t position, int32_t object);
STANDIN_API void standin_set_object_key_missing(Hproc_handle proc, int32_t position, int32_t object);

/* Used by the stand-in C interface library to share the log and the plans. */
STANDIN_API void standin_record(const char* function, int32_t argc, const char* const* argv);
STANDIN_API Herror standin_planned_status(const char* function);

#ifdef __cplusplus
}
#endif

#endif
