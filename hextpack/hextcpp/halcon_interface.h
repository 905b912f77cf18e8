/* The part of HALCON's extension-package interface (halcon.dll / halconxl.dll)
 * and of its C interface (halconc.dll / halconcxl.dll) that this package calls.
 * The 64-bit build links HALCON, the 32-bit build HALCON XL; both export the
 * same functions under the same names, with the C calling convention. */
#ifndef HEXTCPP_HALCON_INTERFACE_H
#define HEXTCPP_HALCON_INTERFACE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(HALCON_STANDIN_BUILD)
#define HALCON_IMPORT __declspec(dllexport)
#else
#define HALCON_IMPORT __declspec(dllimport)
#endif

/* Status of every HALCON call; 2 is success. */
typedef int32_t Herror;
enum { H_MSG_TRUE = 2, H_MSG_FALSE = 3 };

/* HALCON's integer: 64-bit in HALCON, 32-bit in HALCON XL's 32-bit build. */
#if defined(_WIN64)
typedef int64_t Hlong;
/* Region run coordinates: HALCON stores them as 16-bit values. */
typedef int16_t Hrun_coord;
#else
typedef int32_t Hlong;
/* HALCON XL stores run coordinates as 32-bit values. */
typedef int32_t Hrun_coord;
#endif

typedef int32_t Hbool;

/* The running operator call, opaque to the package. */
typedef struct Hproc_handle_s* Hproc_handle;

/* Key of an iconic object or of one of its channels; 0 means none. */
typedef struct Hobject_key_s* Hkey;

/* One control parameter value. */
enum { HCPAR_INT = 1, HCPAR_REAL = 2, HCPAR_STRING = 4 };
typedef union {
    Hlong l;
    double d;
    char* s;
} Hcpar_value;
typedef struct {
    Hcpar_value par;
    int32_t type; /* HCPAR_INT, HCPAR_REAL or HCPAR_STRING */
} Hcpar;

/* One run of a run-length encoded region: a row, first and last column. */
typedef struct {
    Hrun_coord row;
    Hrun_coord first_column;
    Hrun_coord last_column;
} Hrun;

typedef struct {
    Hlong num_runs;
    Hrun* runs;
} Hrlregion;

/* Pixel type bits of an image channel. */
enum { HIMAGE_BYTE = 1 };

/* One image channel. */
typedef struct {
    int32_t kind;   /* pixel type bit */
    void* pixels;   /* row by row, borrowed from HALCON */
    int32_t width;
    int32_t height;
} Himage;

/* Package entry. */
HALCON_IMPORT Herror HXPkgOpenId(int32_t xpkg_id, int32_t version, int32_t flags,
                                 int32_t operator_count, int32_t* operator_offset);
/* Registers one item of operator information; the values that follow the info
 * code depend on the code. */
HALCON_IMPORT Herror HXPkgSetOpInfo(int32_t xpkg_id, int32_t operator_index, int32_t info_code, ...);

/* Error reporting and HALCON's spy. */
HALCON_IMPORT Herror HProcessErr(const char* call_text, Herror code, int32_t line, const char* source);
HALCON_IMPORT Hbool IOGetSpyProcCallSwitch(void);
HALCON_IMPORT Herror IOSpyProcCall(const char* call_text, int32_t line, const char* source);
HALCON_IMPORT Herror HSetExtendedErrorInfo(Hproc_handle proc, Herror code, const char* text);

/* Control parameters. */
HALCON_IMPORT Herror IOSpyCPar(Hproc_handle proc, int32_t position, const Hcpar* values, Hlong count,
                               Hbool is_input);
HALCON_IMPORT Herror HPGetPPar(Hproc_handle proc, int32_t position, Hcpar** values, Hlong* count);
HALCON_IMPORT Herror HPPutPPar(Hproc_handle proc, int32_t position, Hcpar* values, Hlong count);

/* Memory handed to HALCON. HTraceMemory is set while HALCON traces memory. */
HALCON_IMPORT Herror HXAlloc(Hproc_handle proc, size_t size, void** memory);
HALCON_IMPORT Herror HXAllocMemCheck(Hproc_handle proc, size_t size, const char* source, int32_t line,
                                     int32_t memory_kind, void** memory);
HALCON_IMPORT extern Hbool HTraceMemory;

/* Iconic input parameters. */
HALCON_IMPORT Herror HPGetObjNum(Hproc_handle proc, int32_t position, Hlong* count);
HALCON_IMPORT Hbool HCheckInpObjNum(Hproc_handle proc, int32_t position, Hlong object_number);
HALCON_IMPORT Herror HPGetObj(Hproc_handle proc, int32_t position, Hlong object_number, Hkey* key);
HALCON_IMPORT Herror HPGetFDRL(Hproc_handle proc, Hkey key, Hrlregion** domain);
HALCON_IMPORT Herror HPNumOfChannels(Hproc_handle proc, int32_t position, Hlong object_number,
                                     int32_t* channel_count);
HALCON_IMPORT Herror HPGetComp(Hproc_handle proc, Hkey key, int32_t channel, Hkey* channel_key);
HALCON_IMPORT Herror HPGetImage(Hproc_handle proc, Hkey channel_key, Himage* image);

/* HALCON/C tuples and messages (halconc.dll / halconcxl.dll). */
#if defined(HALCONC_STANDIN_BUILD)
#define HALCONC_IMPORT __declspec(dllexport)
#else
#define HALCONC_IMPORT __declspec(dllimport)
#endif

typedef struct Htuple_s* Htuple;

HALCONC_IMPORT void Mcreate_tuple(Htuple* tuple, Hlong length, const char* source, int32_t line);
HALCONC_IMPORT void Mcreate_tuple_i(Htuple* tuple, Hlong value, const char* source, int32_t line);
HALCONC_IMPORT void Mcreate_tuple_s(Htuple* tuple, const char* value, const char* source, int32_t line);
HALCONC_IMPORT char* Mget_s(Htuple tuple, Hlong index, const char* source, int32_t line);
HALCONC_IMPORT void Mdestroy_tuple(Htuple tuple, const char* source, int32_t line);

HALCONC_IMPORT Herror T_get_error_text(Htuple error_code, Htuple* error_text);

HALCONC_IMPORT Herror T_create_message(Htuple* message);
HALCONC_IMPORT Herror T_set_message_tuple(Htuple message, Htuple key, Htuple value);
HALCONC_IMPORT Herror T_enqueue_message(Htuple queue, Htuple message, Htuple param_name, Htuple param_value);
HALCONC_IMPORT Herror T_clear_message(Htuple message);

#ifdef __cplusplus
}
#endif

#endif
