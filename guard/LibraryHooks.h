// What the device binding tells the guard: which call into the device
// library under test runs (for the hang watch), and which libraries are
// loaded and freed (for naming the library whose code or thread ended the
// process that tests them).
#pragma once

#include "device/TavroDeviceLibrary.h"

#include <cstdint>

// A call into the device library under test: one of its procedures, by its
// identifier (TavroProc_GetDeviceLibraryVersion ... TavroProc_SetCallbackInfo),
// or one of these.
enum LibraryCallKind : int {
    kCallLoading = TAVRO_PROCEDURE_COUNT,
    kCallUnloading,
    kCallWindowMessage,
    kLibraryCallKinds
};

// What the warnings call a call: "Tavro_GetLastData", "loading",
// "unloading", "a window message"; null for anything else.
const char* LibraryCallName(int call);

// Marks one call into the library under test for its lifetime.
class CLibraryCall {
public:
    explicit CLibraryCall(int call);
    ~CLibraryCall();
    CLibraryCall(const CLibraryCall&) = delete;
    CLibraryCall& operator=(const CLibraryCall&) = delete;
};

// Marks, for its lifetime, that the program waits for the operator's answer
// to a question (an operator's Ctrl+C then ends the run) or for the library
// under test during an acquisition (an operator's Ctrl+C then ends only
// that library's test).
class CWaitingFor {
public:
    enum What { kOperator, kAcquisition };
    explicit CWaitingFor(What what);
    ~CWaitingFor();
    CWaitingFor(const CWaitingFor&) = delete;
    CWaitingFor& operator=(const CWaitingFor&) = delete;

private:
    int32_t m_before;
};

// A device library was loaded at module.
void NoteLibraryLoaded(void* module);
// The device library at module was freed.
void NoteLibraryFreed(void* module);
