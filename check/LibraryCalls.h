// The 14 procedures of a loaded library, called by name through this class
// so that the recorder always knows which library call is in progress (for
// a hang, a fault or an exception). The caller lends the buffers, so the
// buffer checks see exactly what the library wrote.
#pragma once

#include "check/CheckRecorder.h"
#include "device/LibraryModule.h"
#include "device/TavroDeviceLibrary.h"

#include <functional>

class CLibraryCalls {
public:
    typedef std::function<TavroProcAddress(const char*)> Resolver;

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
    // Calls procedure id. The call's name is cleared only when the call
    // returns: when it throws, the check that catches the exception names
    // the call. (No RAII here: the exception comes from the library's own
    // runtime, which the checker's std::uncaught_exceptions() does not see.)
    template <class Procedure, class... Args>
    auto Call(TavroProcedureId id, Args... args) -> decltype(Procedure()(args...))
    {
        const Procedure procedure = reinterpret_cast<Procedure>(m_procedures[id]);
        m_recorder.SetCurrentCall(GetProcedureName(id));
        const auto result = procedure(args...);
        m_recorder.SetCurrentCall(nullptr);
        return result;
    }
    template <class Procedure, class... Args>
    void CallVoid(TavroProcedureId id, Args... args)
    {
        const Procedure procedure = reinterpret_cast<Procedure>(m_procedures[id]);
        m_recorder.SetCurrentCall(GetProcedureName(id));
        procedure(args...);
        m_recorder.SetCurrentCall(nullptr);
    }

    CCheckRecorder& m_recorder;
    TavroProcAddress m_procedures[TAVRO_PROCEDURE_COUNT];
};
