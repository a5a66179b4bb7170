// When a call into a device library is due a warning. The process that calls
// the library records each call (LibraryCallRecord: a few atomic stores, so
// polls stay as cheap as they were); a watcher looks at the record now and
// then and asks DueWarning. The watcher is the parent of the child that
// calls the library, or a thread of the same process where there is no
// child. Time is the watcher's 32-bit millisecond tick count, so tests can
// drive it.
#pragma once

#include "guard/SharedRunState.h"

#include <cstdint>
#include <string>

class CLibraryCallWatch {
public:
    // The first warning comes after firstWarningMs, the next ones after
    // twice as long each time.
    explicit CLibraryCallWatch(uint32_t firstWarningMs);

    // Looks at record at tick now. True, with the warning's text, when the
    // call it shows has passed its next warning time:
    // "WARNING: Tavro device library %s has not returned from %s for %u s\n".
    // The record may be written meanwhile, and by a library: a start time
    // outside the interval since the last look counts as the moment of this
    // look, and a call that is none of LibraryCallKind is not named.
    bool DueWarning(const LibraryCallRecord& record, const std::string& library, uint32_t now,
                    std::string& warning);

private:
    const uint32_t m_firstWarningMs;
    bool m_looked = false;
    uint32_t m_lastLook = 0;
    uint32_t m_watchedSequence = 0;
    uint32_t m_start = 0;
    uint64_t m_nextWarningMs = 0;
};

// Writes the calls of the calling process into record.
class CLibraryCallRecorder {
public:
    explicit CLibraryCallRecorder(LibraryCallRecord& record);
    void Begin(int call, uint32_t tick);
    void End();

private:
    LibraryCallRecord& m_record;
};
