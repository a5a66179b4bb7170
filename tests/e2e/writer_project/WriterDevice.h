// WriterDevice.h - a one-component thermometer built on the kit, as a
// library writer's own code would be; good_device.cpp and
// broken_device.cpp each give it a name.
#include "DeviceLibraryKit.h"

#include <chrono>
#include <mutex>

extern const char kDeviceName[];

namespace {

struct Sample {
    uint64_t number;
    uint64_t acquisitionTime;
};

class Thermometer : public tavro_kit::AcquiringDevice<Sample> {
public:
    Thermometer() : AcquiringDevice(1000, std::chrono::milliseconds(2000)) { published_.Reset(1); }

    void Prepare()
    {
        Stop();
        samples_.Clear();
        worker_.Start([this](tavro_kit::WorkerThread& worker) { Acquire(worker); });
    }

    void Start() { StartSampling(); }

private:
    void Acquire(tavro_kit::WorkerThread& worker)
    {
        if (!worker.WaitFor(std::chrono::milliseconds(100)))
            return;
        callback_.Report(TAVRO_STATE_READY);
        if (!WaitForStart())
            return;
        uint64_t number = 0;
        auto next = std::chrono::steady_clock::now();
        do {
            samples_.Push({number++, tavro_kit::CurrentFileTime()});
            next += std::chrono::milliseconds(50);
        } while (worker.WaitUntil(next, [] { return false; }));
    }

    const TavroDataRecord* Publish(const Sample& sample) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        published_.Slot(0).doubleValue = 20.0 + static_cast<double>(sample.number % 10) / 10;
        return published_.Publish(sample.acquisitionTime);
    }

    std::mutex mutex_;
    tavro_kit::PublishedRecord published_;
};

Thermometer g_device;

} // namespace

extern "C" {

TAVRO_API uint32_t TAVRO_CALL Tavro_GetDeviceLibraryVersion(void) { return 1; }
TAVRO_API void TAVRO_CALL Tavro_GetDeviceName(char* buffer, int32_t size) { tavro_kit::CopyText(kDeviceName, buffer, size); }
TAVRO_API int32_t TAVRO_CALL Tavro_GetNumberOfComponents(void) { return 1; }
TAVRO_API void TAVRO_CALL Tavro_GetComponentName(int32_t index, char* buffer, int32_t size)
{
    tavro_kit::CopyText(index == 0 ? "Temperature" : "", buffer, size);
}
TAVRO_API void TAVRO_CALL Tavro_GetComponentUnits(int32_t index, char* buffer, int32_t size)
{
    tavro_kit::CopyText(index == 0 ? "C" : "", buffer, size);
}
TAVRO_API int32_t TAVRO_CALL Tavro_GetComponentDataType(int32_t index) { return index == 0 ? TavroData_Double : 0; }
TAVRO_API int32_t TAVRO_CALL Tavro_GetComponentDataPrecision(int32_t) { return 1; }
TAVRO_API void TAVRO_CALL Tavro_PrepareExperiment(void) { g_device.Prepare(); }
TAVRO_API void TAVRO_CALL Tavro_StartExperiment(void) { g_device.Start(); }
TAVRO_API const TavroDataRecord* TAVRO_CALL Tavro_GetLastData(void) { return g_device.LastData(); }
TAVRO_API int32_t TAVRO_CALL Tavro_GetAvailableDataCount(void) { return g_device.AvailableCount(); }
TAVRO_API const TavroDataRecord* TAVRO_CALL Tavro_GetData(int32_t) { return g_device.NextData(); }
TAVRO_API void TAVRO_CALL Tavro_StopExperiment(void) { g_device.Stop(); }
TAVRO_API void TAVRO_CALL Tavro_SetCallbackInfo(TavroStateCallback callback, void* context)
{
    g_device.SetCallback(callback, context);
}

} // extern "C"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH) {
        if (reserved == nullptr)
            g_device.ShutdownOnUnload();
        else
            g_device.ForgetAtProcessExit();
    }
    return TRUE;
}
