// What a checking child keeps where its parent can still read it after the
// child has died: the library call in progress, the text buffer lent to the
// library with its no-access guard page, and the last fault seen. It lives
// in a block of shared memory; both processes run the same program file, so
// the layout is the same on both sides.
#pragma once

#include <cstddef>
#include <cstdint>

struct ChildState {
    char call[48];            // the Tavro_ call in progress on the checking thread, or ""
    uint32_t callCount;       // calls begun: a new count is a new call
    uint32_t checkingThread;  // the thread that calls the library
    int32_t bufferSize;       // size of the text buffer lent, 0 when none is
    uint64_t guardBegin;      // the no-access page right past that buffer: [guardBegin, guardEnd)
    uint64_t guardEnd;
    uint32_t faultCode;       // the last exception of error severity, 0 when none
    uint32_t faultThread;     // the thread it was raised on
    uint64_t faultAddress;    // for an access violation: the address accessed
    uint32_t faultAccess;     // for an access violation: 0 read, 1 write, 8 execute
    char pendingTrace[480];   // with --trace: the traced call in progress, or ""
};

// The state of this process when it is a checking child, or null.
ChildState* PublishedChildState();
void PublishChildState(ChildState* state);

// Each does nothing unless a state is published.
void NoteCall(const char* name);  // null: no call in progress; a name counts a new call
void NoteLentBuffer(const void* guardPage, size_t pageSize, int32_t bufferSize);
void NoteBufferReturned();
void NotePendingTrace(const char* line);
