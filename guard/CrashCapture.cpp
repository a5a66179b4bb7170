#include "guard/CrashCapture.h"

#include "guard/ChildProcessSystem.h"
#include "guard/DeviceLibraryRegistry.h"
#include "guard/StackBlame.h"
#include "guard/StackReserve.h"

#include "guard/TlsCallback.h"

#include <windows.h>

#include <csignal>

// How a library is kept from disarming the capture. A library may replace
// the process's unhandled-exception filter (with NULL, or a filter of its
// own) when it is loaded or at any time later, from any thread. Re-arming
// after every return from library code would miss a library's own threads,
// and a first-chance vectored handler cannot know whether some frame will
// still handle the exception. So the capture stays in the filter, which the
// system calls only for exceptions no frame handled, and a vectored handler
// re-arms that filter at the first chance of every exception. An exception
// a library raises and catches itself only re-arms the filter.
//
// The filter runs on the faulting thread, whose stack may be exhausted (a
// stack overflow) and whose locks (the heap's, the loader's) may be held, so
// it only stores a few numbers and ends the process: the parent, which is
// whole, finds the libraries and writes the report.

namespace {

SharedRunState g_ownState;
SharedRunState* g_state = &g_ownState;

// The code Windows gives a program that called abort().
const DWORD kAbortCode = 0x40000015;  // STATUS_FATAL_APP_EXIT
const ULONG kThreadQuerySetWin32StartAddress = 9;

typedef LONG(WINAPI* QueryThreadInformation)(HANDLE, ULONG, void*, ULONG, ULONG*);
QueryThreadInformation g_queryThread = nullptr;

std::uintptr_t CurrentThreadStart()
{
    void* start = nullptr;
    if (!g_queryThread ||
        g_queryThread(GetCurrentThread(), kThreadQuerySetWin32StartAddress, &start, sizeof start, nullptr) != 0)
        return 0;
    return reinterpret_cast<std::uintptr_t>(start);
}

// Records the first fault and ends the process with its code; a fault of a
// second thread at the same time waits for that end.
void RecordAndEnd(DWORD code, const void* address)
{
    FaultRecord& fault = g_state->fault;
    if (fault.taken.exchange(1)) {
        for (;;)
            Sleep(INFINITE);
    }
    fault.code.store(code);
    fault.address.store(reinterpret_cast<std::uintptr_t>(address));
    fault.threadStart.store(CurrentThreadStart());
    fault.stackAddress.store(DeviceLibraryReturnAddressOnStack());
    // No clean-up: the process may be in any state.
    TerminateProcess(GetCurrentProcess(), code);
}

LONG WINAPI CaptureUnhandledException(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD* record = exception ? exception->ExceptionRecord : nullptr;
    RecordAndEnd(record ? record->ExceptionCode : 0, record ? record->ExceptionAddress : nullptr);
    return EXCEPTION_EXECUTE_HANDLER;
}

LONG WINAPI RearmCapture(EXCEPTION_POINTERS*)
{
    SetUnhandledExceptionFilter(CaptureUnhandledException);
    return EXCEPTION_CONTINUE_SEARCH;
}

// A C++ exception that a library lets escape where the runtime cannot carry
// it into the program (the i386 build's unwinder stops at the library's
// edge, and a thread of the library's own has no one to catch it) ends in
// abort(), from the C runtime all modules share.
void CaptureAbort(int)
{
    RecordAndEnd(kAbortCode, nullptr);
}

// ExitProcess (and exit(), which ends in it) ends every other thread, then
// runs the fiber-local storage callbacks of the exiting thread: that thread
// is noted, so that the parent can name the library whose thread it was. A
// thread that merely ends runs the same callback, and also the program's
// thread-detach callback (before it or after it, by system): the pair tells
// the two apart.
DWORD g_exitSlot = FLS_OUT_OF_INDEXES;

void WINAPI NoteExitingThread(void*)
{
    ExitRecord& exit = g_state->exit;
    const DWORD thread = GetCurrentThreadId();
    if (exit.endingThreadId.load() == thread)
        return;
    exit.threadStart.store(CurrentThreadStart());
    exit.stackAddress.store(DeviceLibraryReturnAddressOnStack());
    exit.threadId.store(thread);
    exit.seen.store(1);
}

void NTAPI FollowThreads(PVOID, DWORD reason, PVOID)
{
    if (g_exitSlot == FLS_OUT_OF_INDEXES)
        return;
    if (reason == DLL_THREAD_ATTACH) {
        // The callback runs only for a slot that holds a value.
        FlsSetValue(g_exitSlot, &g_exitSlot);
    } else if (reason == DLL_THREAD_DETACH) {
        ExitRecord& exit = g_state->exit;
        const DWORD thread = GetCurrentThreadId();
        exit.endingThreadId.store(thread);
        if (exit.threadId.load() == thread)
            exit.seen.store(0);
    }
}

}  // namespace

TAVRO_TLS_CALLBACK(g_followThreads, FollowThreads)

void InstallCrashCapture(SharedRunState& state)
{
    g_state = &state;
    UseDeviceLibraryTable(&state.libraries);
    g_queryThread = reinterpret_cast<QueryThreadInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    QuietFaultReporting();
    ReserveStackForReports();
    SetUnhandledExceptionFilter(CaptureUnhandledException);
    AddVectoredExceptionHandler(1, RearmCapture);
    std::signal(SIGABRT, CaptureAbort);
    g_exitSlot = FlsAlloc(NoteExitingThread);
    if (g_exitSlot != FLS_OUT_OF_INDEXES)
        FlsSetValue(g_exitSlot, &g_exitSlot);
}

SharedRunState& CapturedRunState()
{
    return *g_state;
}
