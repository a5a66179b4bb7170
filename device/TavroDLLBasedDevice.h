// A device driven by a device library: loads the library, binds its exports,
// reads the device's identity and components and forwards the experiment
// operations to it. Every failure is thrown as std::runtime_error carrying
// the complete message, naming the library or the component concerned.
#pragma once

#include "device/LibraryModule.h"
#include "device/ProcedureTable.h"
#include "device/TavroDevice.h"
#include "device/TavroDeviceLibrary.h"
#include "guard/LibraryHooks.h"

#include <atomic>

class CTavroDLLBasedDevice : public I_TavroDevice {
public:
    explicit CTavroDLLBasedDevice(const std::string& libraryPath);
    // Unregisters the callback (only if it was registered), then unloads.
    ~CTavroDLLBasedDevice() override;

    // Loads the library and binds its exports; throws naming the first
    // required one missing, in the fixed order.
    void LoadDeviceLibrary();
    // Reads the library version (0 when not exported) and the device name.
    void ReadDeviceInfo();
    // Reads the component descriptions, appending to the list.
    void ReadComponents();
    // The bound address of a procedure, to be converted by the caller.
    TavroProcAddress GetProcedure(TavroProcedureId id);
    // Registers (or, with nulls, unregisters) the state callback.
    void SetCallbackInfo(TavroStateCallback callback, void* context);

    uint32_t GetLibraryVersion() override;
    std::string GetDeviceName() override;
    int32_t GetNumberOfComponents() override;
    void UpdateComponentUnits() override;
    void UpdateComponentPrecision() override;
    void PrepareExperiment() override;
    bool IsReady() override;
    void StartExperiment() override;
    void GetLastData(std::vector<DataRecord>& records) override;
    void GetData(std::vector<DataRecord>& records) override;
    void StopExperiment() override;
    void SetState(int32_t state) override;

private:
    // Calls procedure Id of the library (throwing when it is not bound),
    // marked for the hang watchdog with its name for as long as it runs.
    template <TavroProcedureId Id, class... Arguments>
    ProcedureResult<Id> Invoke(Arguments... arguments)
    {
        GetProcedure(Id);
        const CLibraryCall call(Id);
        return m_procedures.Call<Id>(arguments...);
    }
    void AppendRecord(const TavroDataRecord* record, std::vector<DataRecord>& records) const;

    std::string m_libraryPath;
    CLibraryModule m_module;
    CProcedureTable m_procedures;
    uint32_t m_version;
    std::string m_deviceName;

public:
    // Set by the test driver once the library is loaded, described and its
    // state callback registered.
    bool m_initialized;

private:
    // Written by the library's callback, possibly from a thread of its own.
    std::atomic<int32_t> m_state;
};

// The state callback registered with every library; context is the device.
void TAVRO_CALL DeviceStateCallback(void* context, int32_t state);
