// The 14 procedures of a loaded library, called by name through this class
// so that the recorder always knows which library call is in progress (for
// a hang, a fault or an exception). The caller lends the buffers, so the
// buffer checks see exactly what the library wrote.
#pragma once

#include "check/recording/CallTrace.h"
#include "check/recording/CheckRecorder.h"
#include "device/ProcedureTable.h"

#include <type_traits>

class CLibraryCalls {
public:
    typedef CProcedureTable::Resolver Resolver;

    explicit CLibraryCalls(CCheckRecorder& recorder);

    // Resolves the procedures by their undecorated names; false if a
    // required one is missing.
    bool Bind(const Resolver& resolve);
    bool HasVersion() const;

    uint32_t GetDeviceLibraryVersion();
    void GetDeviceName(char* buffer, int32_t size);
    int32_t GetNumberOfComponents();
    void GetComponentName(int32_t index, char* buffer, int32_t size);
    void GetComponentUnits(int32_t index, char* buffer, int32_t size);
    int32_t GetComponentDataType(int32_t index);
    int32_t GetComponentDataPrecision(int32_t index);
    void PrepareExperiment();
    void StartExperiment();
    const TavroDataRecord* GetLastData();
    int32_t GetAvailableDataCount();
    const TavroDataRecord* GetData(int32_t count);
    void StopExperiment();
    void SetCallbackInfo(TavroStateCallback callback, void* context);

private:
    // Every call of a procedure passes here. The call's name is cleared
    // only when the call returns: when it throws, the check that catches the
    // exception names the call. (No RAII here: the exception comes from the
    // library's own runtime, which the checker's std::uncaught_exceptions()
    // does not see.)
    // With --trace, the call, its result (or the text a text function
    // wrote) and its duration are traced as it returns.
    template <TavroProcedureId Id, class... Arguments>
    ProcedureResult<Id> Call(Arguments... arguments)
    {
        CCallTrace* const trace = m_recorder.Trace();
        CCallTrace::CCall traced(trace, trace ? CCallTrace::CallText(GetProcedureName(Id), arguments...) : "");
        m_recorder.SetCurrentCall(GetProcedureName(Id));
        if constexpr (std::is_void<ProcedureResult<Id>>::value) {
            m_procedures.Call<Id>(arguments...);
            m_recorder.SetCurrentCall(nullptr);
            traced.Returned(trace ? CCallTrace::WrittenText(arguments...) : "");
        } else {
            const ProcedureResult<Id> result = m_procedures.Call<Id>(arguments...);
            m_recorder.SetCurrentCall(nullptr);
            traced.Returned(trace ? CCallTrace::ArgText(result) : "");
            return result;
        }
    }

    CCheckRecorder& m_recorder;
    CProcedureTable m_procedures;
};
