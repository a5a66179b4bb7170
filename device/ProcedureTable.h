// The 14 procedures of a device library in one table: for each identifier
// its pointer type (and so the result of a call), its export name
// (GetProcedureName) and whether a library must export it; and
// CProcedureTable, the addresses of one library's procedures, bound by name
// and called by identifier with the procedure's own type.
#pragma once

#include "device/LibraryModule.h"
#include "device/TavroDeviceLibrary.h"

#include <functional>

// The pointer type of procedure Id.
template <TavroProcedureId Id> struct TavroProcedure;
template <> struct TavroProcedure<TavroProc_GetDeviceLibraryVersion> { typedef TavroGetDeviceLibraryVersionProc Pointer; };
template <> struct TavroProcedure<TavroProc_GetDeviceName> { typedef TavroGetDeviceNameProc Pointer; };
template <> struct TavroProcedure<TavroProc_GetNumberOfComponents> { typedef TavroGetNumberOfComponentsProc Pointer; };
template <> struct TavroProcedure<TavroProc_GetComponentName> { typedef TavroGetComponentNameProc Pointer; };
template <> struct TavroProcedure<TavroProc_GetComponentUnits> { typedef TavroGetComponentUnitsProc Pointer; };
template <> struct TavroProcedure<TavroProc_GetComponentDataType> { typedef TavroGetComponentDataTypeProc Pointer; };
template <> struct TavroProcedure<TavroProc_GetComponentDataPrecision> { typedef TavroGetComponentDataPrecisionProc Pointer; };
template <> struct TavroProcedure<TavroProc_PrepareExperiment> { typedef TavroPrepareExperimentProc Pointer; };
template <> struct TavroProcedure<TavroProc_StartExperiment> { typedef TavroStartExperimentProc Pointer; };
template <> struct TavroProcedure<TavroProc_GetLastData> { typedef TavroGetLastDataProc Pointer; };
template <> struct TavroProcedure<TavroProc_GetAvailableDataCount> { typedef TavroGetAvailableDataCountProc Pointer; };
template <> struct TavroProcedure<TavroProc_GetData> { typedef TavroGetDataProc Pointer; };
template <> struct TavroProcedure<TavroProc_StopExperiment> { typedef TavroStopExperimentProc Pointer; };
template <> struct TavroProcedure<TavroProc_SetCallbackInfo> { typedef TavroSetCallbackInfoProc Pointer; };

// The result and parameter types of a procedure pointer type.
template <class Pointer> struct ProcedureSignature;
template <class Result, class... Parameters>
struct ProcedureSignature<Result(TAVRO_CALL*)(Parameters...)> {
    typedef Result ResultType;
};

// What a call of procedure Id returns.
template <TavroProcedureId Id>
using ProcedureResult = typename ProcedureSignature<typename TavroProcedure<Id>::Pointer>::ResultType;

// Every procedure but the version is required.
inline bool IsRequiredProcedure(int id)
{
    return id != TavroProc_GetDeviceLibraryVersion && id >= 0 && id < TAVRO_PROCEDURE_COUNT;
}

class CProcedureTable {
public:
    // The address of an export by name, or null.
    typedef std::function<TavroProcAddress(const char*)> Resolver;

    CProcedureTable() : m_addresses() {}

    // Looks the procedures up as the host does: the version first (it may
    // be missing), then the required ones in the order 1 to 8, 10, 9, 11,
    // 12, 13, stopping at the first one missing, which is returned;
    // TAVRO_PROCEDURE_COUNT when every required one is found.
    int BindUntilMissing(const Resolver& resolve)
    {
        static const int order[TAVRO_PROCEDURE_COUNT] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 9, 11, 12, 13};
        for (const int id : order) {
            m_addresses[id] = resolve(GetProcedureName(id));
            if (!m_addresses[id] && IsRequiredProcedure(id))
                return id;
        }
        return TAVRO_PROCEDURE_COUNT;
    }

    // Looks every procedure up by its export name (null where there is
    // none); true when every required one is found.
    bool Bind(const Resolver& resolve)
    {
        bool complete = true;
        for (int id = 0; id < TAVRO_PROCEDURE_COUNT; ++id) {
            m_addresses[id] = resolve(GetProcedureName(id));
            if (!m_addresses[id] && IsRequiredProcedure(id))
                complete = false;
        }
        return complete;
    }

    // The bound address of procedure id; null when it has none.
    TavroProcAddress Address(TavroProcedureId id) const
    {
        return id >= 0 && id < TAVRO_PROCEDURE_COUNT ? m_addresses[id] : nullptr;
    }
    bool Has(TavroProcedureId id) const { return Address(id) != nullptr; }

    // Calls procedure Id, which must be bound (see Has).
    template <TavroProcedureId Id, class... Arguments>
    ProcedureResult<Id> Call(Arguments... arguments) const
    {
        typedef typename TavroProcedure<Id>::Pointer Pointer;
        return reinterpret_cast<Pointer>(m_addresses[Id])(arguments...);
    }

private:
    TavroProcAddress m_addresses[TAVRO_PROCEDURE_COUNT];
};
