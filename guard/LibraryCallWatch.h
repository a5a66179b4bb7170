// Which call into a device library is running and since when, and when a
// warning about it is due. The thread calling the library records each call
// with Begin and End (a few atomic stores: polls stay as cheap as they were);
// a watchdog thread asks DueWarning now and then. Time is the caller's 32-bit
// millisecond tick count, so tests can drive it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

class CLibraryCallWatch {
public:
    // The first warning comes after firstWarningMs, the next ones after
    // twice as long each time.
    explicit CLibraryCallWatch(uint32_t firstWarningMs);

    // library and call must outlive the call: a device's path, a literal.
    void Begin(const char* library, const char* call, uint32_t tick);
    void End();

    // For the watchdog thread only. True, with the warning's text, when the
    // running call has passed its next warning time:
    // "WARNING: Tavro device library %s has not returned from %s for %u s\n".
    bool DueWarning(uint32_t now, std::string& warning);

private:
    // Odd while a call runs; each Begin and End adds one.
    std::atomic<uint32_t> m_sequence;
    std::atomic<const char*> m_library;
    std::atomic<const char*> m_call;
    std::atomic<uint32_t> m_start;

    // The watchdog's own view.
    const uint32_t m_firstWarningMs;
    uint32_t m_watchedSequence;
    uint64_t m_nextWarningMs;
};
