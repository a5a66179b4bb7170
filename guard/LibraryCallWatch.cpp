#include "guard/LibraryCallWatch.h"

CLibraryCallWatch::CLibraryCallWatch(uint32_t firstWarningMs)
    : m_sequence(0), m_library(nullptr), m_call(nullptr), m_start(0), m_firstWarningMs(firstWarningMs),
      m_watchedSequence(0), m_nextWarningMs(firstWarningMs)
{
}

void CLibraryCallWatch::Begin(const char* library, const char* call, uint32_t tick)
{
    m_library.store(library, std::memory_order_relaxed);
    m_call.store(call, std::memory_order_relaxed);
    m_start.store(tick, std::memory_order_relaxed);
    m_sequence.fetch_add(1, std::memory_order_release);
}

void CLibraryCallWatch::End()
{
    m_sequence.fetch_add(1, std::memory_order_release);
}

bool CLibraryCallWatch::DueWarning(uint32_t now, std::string& warning)
{
    const uint32_t sequence = m_sequence.load(std::memory_order_acquire);
    if (sequence % 2 == 0)
        return false;
    const char* const library = m_library.load(std::memory_order_relaxed);
    const char* const call = m_call.load(std::memory_order_relaxed);
    const uint32_t start = m_start.load(std::memory_order_relaxed);
    // A call that began or ended while the fields were read is looked at
    // next time.
    if (m_sequence.load(std::memory_order_acquire) != sequence)
        return false;
    if (sequence != m_watchedSequence) {
        m_watchedSequence = sequence;
        m_nextWarningMs = m_firstWarningMs;
    }
    // Unsigned 32-bit arithmetic: a wrap of the tick count does not disturb it.
    const uint32_t elapsed = now - start;
    if (elapsed < m_nextWarningMs)
        return false;
    warning = std::string("WARNING: Tavro device library ") + (library ? library : "") +
              " has not returned from " + (call ? call : "") + " for " +
              std::to_string(m_nextWarningMs / 1000) + " s\n";
    m_nextWarningMs *= 2;
    return true;
}
