// SampleDevice.cpp - the sample Tavro device library (TavroSampleDevice.dll).
//
// A complete device library for a simulated instrument, meant to be copied.
// It exports the 14 functions of TavroDeviceLibrary.h and keeps its rules:
//
//  * Names and units are copied into the host's buffers, truncated to fit
//    (tavro_kit::CopyText).
//  * Tavro_PrepareExperiment starts the library's own thread. About 200 ms
//    later the instrument is ready and says so through the host's callback
//    with state 1 (TAVRO_STATE_READY). How it says so is chosen by the
//    environment variable TAVRO_SAMPLE_READY, read at each prepare:
//      "thread" (or unset)  the library's own thread calls the callback;
//      "message"            a timer on the host's thread (SetTimer without a
//                           window) calls it from inside the host's
//                           DispatchMessage, so only while the host pumps
//                           messages on the thread that prepared.
//  * Tavro_StartExperiment starts acquisition: the thread takes a sample at
//    once and then every 50 ms (values: SampleInstrument.h), stamps it with
//    the system time and queues it. The queue holds the newest 1000 samples;
//    older ones are dropped.
//  * Tavro_GetLastData returns the newest sample; Tavro_GetData returns and
//    removes the oldest queued one (the newest again once the queue is
//    empty); Tavro_GetAvailableDataCount tells how many are queued. Before
//    the first sample both return NULL. The record returned is built on the
//    host's own call into a buffer the acquisition thread never touches, so
//    it stays unchanged until the host calls again.
//  * Tavro_StopExperiment stops the thread and waits for it; the samples
//    taken so far can still be read. Unregistering the callback
//    (Tavro_SetCallbackInfo(NULL, NULL)) also stops acquisition, and no
//    callback is made once it returns.
//  * Freeing the library without stopping it first is handled in DllMain.
//  * The device has the seven components of SampleInstrument.h, or, when
//    the environment variable TAVRO_SAMPLE_COMPONENTS holds a count from 1
//    to 100000 at the time the library is loaded, that many components
//    cycling through the seven (see SampleInstrument.h).
//
// The host makes its calls from one thread at a time. Its callback may call
// Tavro_SetCallbackInfo(NULL, NULL) or Tavro_StopExperiment itself.
#define TAVRO_DEVICE_LIBRARY_EXPORTS
#include "TavroDeviceLibrary.h"

#include "DeviceLibraryKit.h"
#include "SampleInstrument.h"

#include <chrono>
#include <mutex>

namespace {

constexpr char kDeviceName[] = "Tavro Sample Device";
constexpr uint32_t kLibraryVersion = 1;

constexpr std::chrono::milliseconds kWarmUpTime(200);
constexpr std::chrono::milliseconds kSamplePeriod(50);
constexpr size_t kQueueCapacity = 1000;

// How long DllMain waits for the acquisition thread when the host frees the
// library while it runs.
constexpr std::chrono::milliseconds kUnloadTimeout(2000);

enum class ReadyMode { Thread, Message };

ReadyMode ReadyModeFromEnvironment()
{
    // GetEnvironmentVariableA, not getenv: it sees changes the host made
    // with SetEnvironmentVariable after the C runtime started.
    char value[16] = {};
    const DWORD length = GetEnvironmentVariableA("TAVRO_SAMPLE_READY", value, sizeof value);
    if (length > 0 && length < sizeof value && lstrcmpiA(value, "message") == 0) {
        return ReadyMode::Message;
    }
    return ReadyMode::Thread;
}

// What the sample keeps of each sample it takes: its number, from which the
// values are worked out when the host reads it, and its time.
struct Sample {
    uint64_t number;
    uint64_t acquisitionTime;
};

// The device. What every library whose thread takes samples does alike (the
// host's calls that read the samples, stop and set the callback; the
// library's part in being freed) comes from tavro_kit::AcquiringDevice; the
// sample adds its instrument, how it gets ready, how often it samples and
// what the records hold.
class SampleDevice : public tavro_kit::AcquiringDevice<Sample> {
public:
    SampleDevice()
        : AcquiringDevice(kQueueCapacity, kUnloadTimeout),
          instrument_(tavro_sample::ComponentCountFromEnvironment())
    {
        published_.Reset(static_cast<size_t>(instrument_.ComponentCount()));
    }

    const tavro_sample::Instrument& Instrument() const { return instrument_; }

    void Prepare()
    {
        Stop();
        samples_.Clear();
        const ReadyMode mode = ReadyModeFromEnvironment();
        if (mode == ReadyMode::Message) {
            readyTimer_.Arm(static_cast<UINT>(kWarmUpTime.count()),
                            [this] { callback_.Report(TAVRO_STATE_READY); });
        }
        const bool reportFromThread = mode == ReadyMode::Thread;
        worker_.Start([this, reportFromThread](tavro_kit::WorkerThread& worker) {
            Acquire(worker, reportFromThread);
        });
    }

    void Start()
    {
        if (!worker_.Running() || worker_.StopRequested()) {
            // Started without a prepare (or after the thread was asked to
            // stop): no warm-up, no ready report.
            samples_.Clear();
            worker_.Start([this](tavro_kit::WorkerThread& worker) { Acquire(worker, false); });
        }
        StartSampling();
    }

private:
    // The body of the acquisition thread.
    void Acquire(tavro_kit::WorkerThread& worker, bool reportReady)
    {
        if (reportReady) {
            if (!worker.WaitFor(kWarmUpTime)) {
                return;
            }
            callback_.Report(TAVRO_STATE_READY);
        }
        if (!WaitForStart()) {
            return;
        }
        uint64_t number = 0;
        auto next = std::chrono::steady_clock::now();
        do {
            const Sample sample = {number++, tavro_kit::CurrentFileTime()};
            samples_.Push(sample);
            next += kSamplePeriod;
        } while (worker.WaitUntil(next, [] { return false; }));
    }

    const TavroDataRecord* Publish(const Sample& sample) override
    {
        std::lock_guard<std::mutex> lock(publishMutex_);
        instrument_.FillSample(sample.number, published_);
        return published_.Publish(sample.acquisitionTime);
    }

    const tavro_sample::Instrument instrument_;

    std::mutex publishMutex_; // guards published_
    tavro_kit::PublishedRecord published_;
};

SampleDevice g_device;

// No exception may leave an exported function: the host is not C++ code of
// this library's compiler. A failure (out of memory, no thread could be
// made) gives the function's "nothing" result instead.
template <class Result, class Function>
Result Guarded(Result fallback, Function function)
{
    try {
        return function();
    } catch (...) {
        return fallback;
    }
}

template <class Function>
void Guarded(Function function)
{
    try {
        function();
    } catch (...) {
    }
}

} // namespace

extern "C" {

TAVRO_API uint32_t TAVRO_CALL Tavro_GetDeviceLibraryVersion(void)
{
    return kLibraryVersion;
}

TAVRO_API void TAVRO_CALL Tavro_GetDeviceName(char* buffer, int32_t size)
{
    Guarded([&] { tavro_kit::CopyText(kDeviceName, buffer, size); });
}

TAVRO_API int32_t TAVRO_CALL Tavro_GetNumberOfComponents(void)
{
    return g_device.Instrument().ComponentCount();
}

TAVRO_API void TAVRO_CALL Tavro_GetComponentName(int32_t index, char* buffer, int32_t size)
{
    const tavro_sample::ComponentInfo* component = g_device.Instrument().FindComponent(index);
    Guarded([&] { tavro_kit::CopyText(component ? component->name : std::string(), buffer, size); });
}

TAVRO_API void TAVRO_CALL Tavro_GetComponentUnits(int32_t index, char* buffer, int32_t size)
{
    const tavro_sample::ComponentInfo* component = g_device.Instrument().FindComponent(index);
    Guarded([&] { tavro_kit::CopyText(component ? component->units : "", buffer, size); });
}

TAVRO_API int32_t TAVRO_CALL Tavro_GetComponentDataType(int32_t index)
{
    const tavro_sample::ComponentInfo* component = g_device.Instrument().FindComponent(index);
    return component ? static_cast<int32_t>(component->type) : 0;
}

TAVRO_API int32_t TAVRO_CALL Tavro_GetComponentDataPrecision(int32_t index)
{
    const tavro_sample::ComponentInfo* component = g_device.Instrument().FindComponent(index);
    return component ? component->precision : 0;
}

TAVRO_API void TAVRO_CALL Tavro_PrepareExperiment(void)
{
    Guarded([] { g_device.Prepare(); });
}

TAVRO_API void TAVRO_CALL Tavro_StartExperiment(void)
{
    Guarded([] { g_device.Start(); });
}

TAVRO_API const TavroDataRecord* TAVRO_CALL Tavro_GetLastData(void)
{
    return Guarded<const TavroDataRecord*>(nullptr, [] { return g_device.LastData(); });
}

TAVRO_API int32_t TAVRO_CALL Tavro_GetAvailableDataCount(void)
{
    return g_device.AvailableCount();
}

TAVRO_API const TavroDataRecord* TAVRO_CALL Tavro_GetData(int32_t count)
{
    // The sample hands out one record per call, oldest first, whatever
    // count the host passes (the number it still means to read).
    (void)count;
    return Guarded<const TavroDataRecord*>(nullptr, [] { return g_device.NextData(); });
}

TAVRO_API void TAVRO_CALL Tavro_StopExperiment(void)
{
    Guarded([] { g_device.Stop(); });
}

TAVRO_API void TAVRO_CALL Tavro_SetCallbackInfo(TavroStateCallback callback, void* context)
{
    Guarded([&] { g_device.SetCallback(callback, context); });
}

} // extern "C"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH) {
        if (reserved == nullptr) {
            g_device.ShutdownOnUnload(); // FreeLibrary
        } else {
            g_device.ForgetAtProcessExit(); // process exit
        }
    }
    return TRUE;
}
