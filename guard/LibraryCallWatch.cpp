#include "guard/LibraryCallWatch.h"

#include "guard/LibraryHooks.h"

namespace {

// Reads the record whole: false when a call began or ended meanwhile.
bool ReadRecord(const LibraryCallRecord& record, uint32_t& sequence, int32_t& call, uint32_t& start)
{
    sequence = record.sequence.load(std::memory_order_acquire);
    call = record.call.load(std::memory_order_relaxed);
    start = record.startTick.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    return record.sequence.load(std::memory_order_acquire) == sequence;
}

}  // namespace

CLibraryCallWatch::CLibraryCallWatch(uint32_t firstWarningMs) : m_firstWarningMs(firstWarningMs)
{
}

bool CLibraryCallWatch::DueWarning(const LibraryCallRecord& record, const std::string& library, uint32_t now,
                                   std::string& warning)
{
    uint32_t sequence = 0;
    int32_t call = 0;
    uint32_t start = 0;
    const bool whole = ReadRecord(record, sequence, call, start);
    const uint32_t sinceLastLook = m_looked ? now - m_lastLook : 0;
    m_looked = true;
    m_lastLook = now;
    // A call that began or ended while the fields were read is looked at
    // next time.
    if (!whole || sequence % 2 == 0)
        return false;
    if (sequence != m_watchedSequence) {
        m_watchedSequence = sequence;
        m_nextWarningMs = m_firstWarningMs;
        // The call began after the last look; unsigned 32-bit arithmetic, so
        // a wrap of the tick count does not disturb it.
        m_start = now - start <= sinceLastLook ? start : now;
    }
    const char* const name = LibraryCallName(call);
    const uint32_t elapsed = now - m_start;
    if (!name || elapsed < m_nextWarningMs)
        return false;
    warning = "WARNING: Tavro device library " + library + " has not returned from " + name + " for " +
              std::to_string(m_nextWarningMs / 1000) + " s\n";
    m_nextWarningMs *= 2;
    return true;
}

CLibraryCallRecorder::CLibraryCallRecorder(LibraryCallRecord& record) : m_record(record)
{
}

void CLibraryCallRecorder::Begin(int call, uint32_t tick)
{
    m_record.call.store(call, std::memory_order_relaxed);
    m_record.startTick.store(tick, std::memory_order_relaxed);
    m_record.sequence.fetch_add(1, std::memory_order_release);
}

void CLibraryCallRecorder::End()
{
    m_record.sequence.fetch_add(1, std::memory_order_release);
}
