#include "check/Watchdog.h"

#include <windows.h>

#include <csignal>
#include <cstdio>

namespace {

CWatchdog* g_watchdog = nullptr;

// The code Windows gives a program that called abort().
const unsigned long kAbortCode = 0x40000015;

std::string Hex(unsigned long code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", code);
    return text;
}

std::string FaultMessage(CCheckRecorder& recorder, unsigned long code)
{
    const char* call = recorder.CurrentCall();
    return "exception " + Hex(code) + (call ? std::string(" inside ") + call : std::string(" in a library thread")) +
           "; the run ended here";
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception)
{
    const unsigned long code =
        exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 0;
    if (g_watchdog)
        g_watchdog->EndAfterFault(code);
    return EXCEPTION_EXECUTE_HANDLER;
}

void OnAbort(int)
{
    if (g_watchdog)
        g_watchdog->EndAfterFault(kAbortCode);
}

}  // namespace

CWatchdog::CWatchdog(CCheckRecorder& recorder, EndRun endRun)
    : m_recorder(recorder), m_endRun(endRun), m_stop(false), m_ending(false)
{
    g_watchdog = this;
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::signal(SIGABRT, OnAbort);
    m_thread = std::thread(&CWatchdog::Watch, this);
}

CWatchdog::~CWatchdog()
{
    m_stop = true;
    m_thread.join();
    g_watchdog = nullptr;
}

void CWatchdog::Watch()
{
    while (!m_stop) {
        Sleep(100);
        if (m_recorder.Overdue(CCheckRecorder::Clock::now()).empty())
            continue;
        ClaimEnding();
        const char* call = m_recorder.CurrentCall();
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", m_recorder.RunningLimitSeconds());
        m_recorder.FailRunning((call ? std::string(call) + " did not return" : std::string("the check did not end")) +
                               " within the check's bound of " + seconds + " s; the run ended here");
        End("TavroCheck: a library call did not return; the run ended");
    }
}

void CWatchdog::EndAfterFault(unsigned long code)
{
    ClaimEnding();
    m_recorder.FailRunning(FaultMessage(m_recorder, code));
    End("TavroCheck: exception " + Hex(code) + "; the run ended");
}

void CWatchdog::ClaimEnding()
{
    // A second fault while the first is being reported (or a fault during
    // a hang report) waits here for the process to end.
    if (m_ending.exchange(true)) {
        for (;;)
            Sleep(INFINITE);
    }
}

void CWatchdog::End(const std::string& note)
{
    // The report is written with the library's state unknown: it allocates
    // and takes the stream locks. The checker never holds them while it
    // calls a library, so this is sound for faults inside library calls; a
    // library thread that faults while holding the heap lock could stall
    // it, and then the watchdog's bound does not help. Accepted.
    m_endRun(note);
    TerminateProcess(GetCurrentProcess(), 1);
}
