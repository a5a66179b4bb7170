// KitDevice.h - the device base of a Tavro device library.
//
//   CopyText          text into a host buffer, truncated safely
//   AcquiringDevice   a base for the library's device class, built from the
//                     threads (KitThreads.h) and the sample storage
//                     (KitSamples.h): the host's calls that read samples,
//                     stop acquisition and set the callback, and the
//                     library's part in being freed
//
// Header-only, C++17 and Win32; builds with MSVC and mingw-w64 alike.
#ifndef TAVRO_KIT_DEVICE_H
#define TAVRO_KIT_DEVICE_H

#include "KitSamples.h"
#include "KitThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

namespace tavro_kit {

// The longest text the host accepts in a name or units buffer.
constexpr size_t kMaxTextLength = 255;

// Writes text into the host's buffer of `size` bytes: at most size - 1
// characters (and never more than 255) followed by a NUL. Nothing is written
// for a null buffer or a size of zero or less.
inline void CopyText(const std::string& text, char* buffer, int32_t size)
{
    if (buffer == nullptr || size <= 0) {
        return;
    }
    const size_t room = static_cast<size_t>(size) - 1;
    const size_t length = std::min({text.size(), room, kMaxTextLength});
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

// A base for the device class of a library whose own thread takes samples.
// It holds the host's callback, the thread, a ready timer and the samples,
// and does what the host's calls ask of them that is the same for every
// such library: reading samples (Tavro_GetLastData, Tavro_GetData,
// Tavro_GetAvailableDataCount), stopping (Tavro_StopExperiment, and
// Tavro_SetCallbackInfo(NULL, NULL)) and being freed (DllMain).
//
// The derived class writes what is particular to its instrument:
//   * Tavro_PrepareExperiment and Tavro_StartExperiment, which Stop() and
//     samples_.Clear() as they need, arm readyTimer_ if readiness is
//     reported from the host's thread, start worker_ with their own body and
//     call StartSampling();
//   * that body, which reports readiness through callback_, waits with
//     WaitForStart(), then pushes samples into samples_ until asked to stop;
//   * Publish(), which turns a sample into the record the host gets.
template <class Sample>
class AcquiringDevice {
public:
    // At most `queueCapacity` samples wait for Tavro_GetData. When the host
    // frees the library while the thread runs, DllMain waits at most
    // `unloadTimeout` for the callback and then for the thread.
    AcquiringDevice(size_t queueCapacity, std::chrono::milliseconds unloadTimeout)
        : samples_(queueCapacity), unloadTimeout_(unloadTimeout)
    {
    }

    virtual ~AcquiringDevice() = default;

    // Tavro_SetCallbackInfo. Unregistering (a null callback) also stops
    // acquisition.
    void SetCallback(TavroStateCallback callback, void* context)
    {
        // Set() waits for a call in progress; once it returns with a null
        // callback, no other call can start.
        callback_.Set(callback, context);
        if (callback == nullptr) {
            Stop();
        }
    }

    // Tavro_StopExperiment, and the first step of a prepare: cancels the
    // ready timer and stops the thread. The samples taken stay readable.
    void Stop()
    {
        readyTimer_.Cancel();
        if (callback_.InsideCallback()) {
            // Called from the host's callback: the thread may be waiting to
            // report a state, so it must not be waited for here.
            worker_.RequestStop();
        } else {
            worker_.Stop();
        }
        acquiring_ = false;
    }

    // Tavro_GetLastData: the newest sample, or null before the first.
    const TavroDataRecord* LastData()
    {
        Sample sample{};
        return samples_.Latest(sample) ? Publish(sample) : nullptr;
    }

    // Tavro_GetAvailableDataCount: how many samples are queued.
    int32_t AvailableCount() { return static_cast<int32_t>(samples_.Count()); }

    // Tavro_GetData: the oldest queued sample, removed from the queue (the
    // newest again once the queue is empty), or null before the first.
    const TavroDataRecord* NextData()
    {
        Sample sample{};
        return samples_.PopOldestOrLatest(sample) ? Publish(sample) : nullptr;
    }

    // DllMain(DLL_PROCESS_DETACH), the host freeing the library.
    void ShutdownOnUnload()
    {
        readyTimer_.Cancel();
        // First make sure no callback is running or can start, so that the
        // thread cannot be held up in the host's code; then end the thread.
        callback_.ClearWithin(unloadTimeout_);
        worker_.AbandonForUnload(unloadTimeout_);
    }

    // DllMain(DLL_PROCESS_DETACH), the process ending.
    void ForgetAtProcessExit() { worker_.ForgetAtProcessExit(); }

protected:
    // Tavro_StartExperiment's last step: lets the thread take samples.
    void StartSampling()
    {
        acquiring_ = true;
        worker_.Notify();
    }

    // For the thread's body: waits until StartSampling(); false if the
    // thread was asked to stop first.
    bool WaitForStart()
    {
        return worker_.WaitUntil([this] { return acquiring_.load(); });
    }

    // Fills the record the host gets for `sample`, on the host's call, and
    // returns it (see PublishedRecord).
    virtual const TavroDataRecord* Publish(const Sample& sample) = 0;

    StateCallback callback_;
    WorkerThread worker_;
    ThreadTimer readyTimer_;
    SampleStore<Sample> samples_;

private:
    std::atomic<bool> acquiring_{false};
    const std::chrono::milliseconds unloadTimeout_;
};

} // namespace tavro_kit

#endif // TAVRO_KIT_DEVICE_H
