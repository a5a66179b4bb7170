// The state callback TavroCheck registers: counts the reports, remembers the
// last state, when state 1 first came, which threads called and how, and
// every call after the host unregistered.
#pragma once

#include "check/recording/CheckRecorder.h"
#include "device/TavroDeviceLibrary.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CCallbackRecorder {
public:
    typedef std::function<uint32_t()> ThreadIdSource;

    // checkerThread: the thread that makes the library calls and pumps.
    CCallbackRecorder(const CCheckRecorder& recorder, ThreadIdSource threadId, uint32_t checkerThread);

    // The callback to register; context is the recorder.
    static void TAVRO_CALL OnState(void* context, int32_t state);

    // Forgets everything seen; the clock starts now.
    void Reset();
    // From now on every call is a call after unregistering.
    void MarkUnregistered();

    bool ReadySeen() const;
    int64_t Reports() const;
    int32_t LastState() const;
    // Milliseconds from Reset() to the first state 1.
    int64_t ReadyAfterMs() const;
    // The threads that called, and how: "the checker's thread inside
    // Tavro_PrepareExperiment", "the checker's thread from a dispatched
    // message", "the library's thread 0x1A4".
    std::string Sources() const;
    int64_t LateReports() const;
    // The first call after unregistering, described; "" if none.
    std::string FirstLate() const;

private:
    void Record(int32_t state);
    std::string Source(uint32_t thread) const;

    const CCheckRecorder& m_recorder;
    const ThreadIdSource m_threadId;
    const uint32_t m_checkerThread;

    mutable std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_unregisteredAt;
    bool m_unregistered = false;
    int64_t m_reports = 0;
    int32_t m_lastState = 0;
    int64_t m_readyAfterMs = -1;
    std::vector<std::string> m_sources;
    std::vector<std::pair<uint32_t, const char*>> m_seen;
    int64_t m_late = 0;
    std::string m_firstLate;
};

// A thread id as the reports show it: 0x1A4.
std::string ThreadIdText(uint32_t thread);
