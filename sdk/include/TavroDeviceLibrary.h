/*
 * TavroDeviceLibrary.h - the interface between a Tavro device library and
 * the programs that host it (TavroProbe among them).
 *
 * A device library is a DLL that drives one instrument and exports the 14
 * plain C functions declared below under exactly these names. On i386 every
 * function, and the state callback, uses the C calling convention (__cdecl);
 * on x86-64 the platform's one calling convention.
 *
 * Rules a library must keep. Each has a tag in brackets; TavroCheck, the
 * conformance checker, fails a check only for one of these rules and names
 * its tag.
 *
 *  [exports]     The 13 functions below other than
 *                Tavro_GetDeviceLibraryVersion are exported under exactly
 *                these names, undecorated. Tavro_GetDeviceLibraryVersion is
 *                optional (a host takes version 0 without it).
 *  [load]        LoadLibrary loads the file: the DLLs it imports are found
 *                beside it or on the system, and its DllMain succeeds.
 *  [calls]       Every call returns to the host: no fault, no exception of
 *                any kind leaves the function, the process is not ended,
 *                and no call blocks longer than a host waits (TavroCheck:
 *                --time, 10 s). The library's own threads keep this too.
 *  [buffers]     Text buffers belong to the host. The library writes
 *                nothing past the size it is given and keeps no pointer to
 *                the buffer after the call.
 *  [texts]       The text written is NUL-terminated within the size (at most
 *                255 characters for the host's 256); the device name and
 *                each component name are not empty; while the library stays
 *                loaded, every text is the same on every call.
 *  [description] While the library stays loaded the description does not
 *                change: the component count is 0 or more, every data type
 *                is 1 to 7 and every precision 0 or more, the same on every
 *                call. Loaded again, the library describes the same device.
 *  [ready]       After each Tavro_PrepareExperiment, the first and every
 *                later one of a load, the library reports the state 1
 *                through the callback once it is ready (a host waits a
 *                bounded time for it; TavroCheck: --time).
 *  [records]     Between Tavro_StartExperiment and Tavro_StopExperiment,
 *                Tavro_GetLastData returns a record; NULL only until the
 *                first sample exists. Every record returned (by
 *                Tavro_GetLastData or Tavro_GetData) has a slot array while
 *                the device has components, and every String slot points to
 *                NUL-terminated text (a host reads at most 65536 bytes). The
 *                record, its slots and those texts belong to the library and
 *                stay valid and unchanged until the host's next call into it.
 *  [bounded]     An acquisition of any length, polled as a host polls (about
 *                10 times a second), holds bounded memory, handles and
 *                threads: none of them grows with every poll.
 *  [callback]    The callback may be called, from any thread, from the return
 *                of Tavro_SetCallbackInfo(callback, context) until the return
 *                of Tavro_SetCallbackInfo(NULL, NULL); never after that.
 *  [unload]      After Tavro_SetCallbackInfo(NULL, NULL) and FreeLibrary
 *                nothing of the library runs on: its threads have ended, its
 *                windows and timers are gone, and FreeLibrary unmaps it (the
 *                library does not keep itself loaded).
 *
 * Left open (TavroCheck reports what it sees, as information or a warning,
 * never as a failure): what Tavro_GetAvailableDataCount counts and what
 * Tavro_GetData returns when nothing is available; whether acquisition
 * times only grow (a clock set back moves UTC time back); how long a call
 * takes, though a Tavro_GetLastData over 10 ms, a tenth of the host's poll
 * interval, is a warning; Tavro_ exports the interface does not know
 * (a warning).
 *
 * This header compiles as C (C99 or later) and as C++.
 */
#ifndef TAVRO_DEVICE_LIBRARY_H
#define TAVRO_DEVICE_LIBRARY_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define TAVRO_CALL __cdecl
#else
#define TAVRO_CALL
#endif

/* Define TAVRO_DEVICE_LIBRARY_EXPORTS before including this header in the
 * sources of a device library, so that the functions are exported. */
#if defined(TAVRO_DEVICE_LIBRARY_EXPORTS) && defined(_WIN32)
#define TAVRO_API __declspec(dllexport)
#else
#define TAVRO_API
#endif

/* Identifiers of the library's procedures, in the host's table order. */
typedef enum TavroProcedureId {
    TavroProc_GetDeviceLibraryVersion = 0, /* optional */
    TavroProc_GetDeviceName = 1,
    TavroProc_GetNumberOfComponents = 2,
    TavroProc_GetComponentName = 3,
    TavroProc_GetComponentUnits = 4,
    TavroProc_GetComponentDataType = 5,
    TavroProc_GetComponentDataPrecision = 6,
    TavroProc_PrepareExperiment = 7,
    TavroProc_StartExperiment = 8,
    TavroProc_GetLastData = 9,
    TavroProc_GetAvailableDataCount = 10,
    TavroProc_GetData = 11,
    TavroProc_StopExperiment = 12,
    TavroProc_SetCallbackInfo = 13
} TavroProcedureId;

#define TAVRO_PROCEDURE_COUNT 14

/* Data type of a component's values. Only 1 to 7 are valid. */
typedef enum TavroDataType {
    TavroData_UnsignedLongLong = 1, /* uint64_t, all 8 bytes of the slot */
    TavroData_LongLong = 2,         /* int64_t, all 8 bytes */
    TavroData_UnsignedLong = 3,     /* uint32_t, the first 4 bytes */
    TavroData_Long = 4,             /* int32_t, the first 4 bytes */
    TavroData_Float = 5,            /* IEEE 754 single, the first 4 bytes */
    TavroData_Double = 6,           /* IEEE 754 double, all 8 bytes */
    TavroData_String = 7            /* const char*, 8 bytes on x86-64, 4 on i386 */
} TavroDataType;

/* The state a library reports through the callback when it is ready. */
#define TAVRO_STATE_READY 1

/* One value slot: exactly 8 bytes on both builds, little-endian, read as
 * its component's data type says. */
typedef union TavroValue {
    uint64_t unsignedLongLong;
    int64_t longLong;
    uint32_t unsignedLong;
    int32_t longValue;
    float floatValue;
    double doubleValue;
    const char* stringValue;
    unsigned char bytes[8];
} TavroValue;

/* One data record: the acquisition time and one slot per component, in
 * component-index order. */
typedef struct TavroDataRecord {
    /* FILETIME form: 100-nanosecond intervals since 1 January 1601, UTC. */
    uint64_t acquisitionTime;
    TavroValue* values;
} TavroDataRecord;

/* The host's state callback; context is what the host registered. */
typedef void(TAVRO_CALL* TavroStateCallback)(void* context, int32_t state);

/* The layout is part of the interface: pin it for both builds. */
typedef char TavroCheck_ValueIs8Bytes[(sizeof(TavroValue) == 8) ? 1 : -1];
typedef char TavroCheck_TimeAtOffset0[(offsetof(TavroDataRecord, acquisitionTime) == 0) ? 1 : -1];
typedef char TavroCheck_ValuesAtOffset8[(offsetof(TavroDataRecord, values) == 8) ? 1 : -1];
typedef char TavroCheck_StateIs32Bits[(sizeof(int32_t) == 4) ? 1 : -1];

/* Pointer types of the procedures, as the host calls them. */
typedef uint32_t(TAVRO_CALL* TavroGetDeviceLibraryVersionProc)(void);
typedef void(TAVRO_CALL* TavroGetDeviceNameProc)(char* buffer, int32_t size);
typedef int32_t(TAVRO_CALL* TavroGetNumberOfComponentsProc)(void);
typedef void(TAVRO_CALL* TavroGetComponentNameProc)(int32_t index, char* buffer, int32_t size);
typedef void(TAVRO_CALL* TavroGetComponentUnitsProc)(int32_t index, char* buffer, int32_t size);
typedef int32_t(TAVRO_CALL* TavroGetComponentDataTypeProc)(int32_t index);
typedef int32_t(TAVRO_CALL* TavroGetComponentDataPrecisionProc)(int32_t index);
typedef void(TAVRO_CALL* TavroPrepareExperimentProc)(void);
typedef void(TAVRO_CALL* TavroStartExperimentProc)(void);
typedef const TavroDataRecord*(TAVRO_CALL* TavroGetLastDataProc)(void);
typedef int32_t(TAVRO_CALL* TavroGetAvailableDataCountProc)(void);
typedef const TavroDataRecord*(TAVRO_CALL* TavroGetDataProc)(int32_t count);
typedef void(TAVRO_CALL* TavroStopExperimentProc)(void);
typedef void(TAVRO_CALL* TavroSetCallbackInfoProc)(TavroStateCallback callback, void* context);

/* The functions a device library exports. */
TAVRO_API uint32_t TAVRO_CALL Tavro_GetDeviceLibraryVersion(void);
TAVRO_API void TAVRO_CALL Tavro_GetDeviceName(char* buffer, int32_t size);
TAVRO_API int32_t TAVRO_CALL Tavro_GetNumberOfComponents(void);
TAVRO_API void TAVRO_CALL Tavro_GetComponentName(int32_t index, char* buffer, int32_t size);
TAVRO_API void TAVRO_CALL Tavro_GetComponentUnits(int32_t index, char* buffer, int32_t size);
TAVRO_API int32_t TAVRO_CALL Tavro_GetComponentDataType(int32_t index);
TAVRO_API int32_t TAVRO_CALL Tavro_GetComponentDataPrecision(int32_t index);
TAVRO_API void TAVRO_CALL Tavro_PrepareExperiment(void);
TAVRO_API void TAVRO_CALL Tavro_StartExperiment(void);
TAVRO_API const TavroDataRecord* TAVRO_CALL Tavro_GetLastData(void);
TAVRO_API int32_t TAVRO_CALL Tavro_GetAvailableDataCount(void);
TAVRO_API const TavroDataRecord* TAVRO_CALL Tavro_GetData(int32_t count);
TAVRO_API void TAVRO_CALL Tavro_StopExperiment(void);
TAVRO_API void TAVRO_CALL Tavro_SetCallbackInfo(TavroStateCallback callback, void* context);

/* Export name of a procedure identifier; "" for any other value. */
static inline const char* GetProcedureName(int id)
{
    static const char* const names[TAVRO_PROCEDURE_COUNT] = {
        "Tavro_GetDeviceLibraryVersion",   "Tavro_GetDeviceName",
        "Tavro_GetNumberOfComponents",     "Tavro_GetComponentName",
        "Tavro_GetComponentUnits",         "Tavro_GetComponentDataType",
        "Tavro_GetComponentDataPrecision", "Tavro_PrepareExperiment",
        "Tavro_StartExperiment",           "Tavro_GetLastData",
        "Tavro_GetAvailableDataCount",     "Tavro_GetData",
        "Tavro_StopExperiment",            "Tavro_SetCallbackInfo"};
    return (id >= 0 && id < TAVRO_PROCEDURE_COUNT) ? names[id] : "";
}

#ifdef __cplusplus
}
#endif

#endif /* TAVRO_DEVICE_LIBRARY_H */
