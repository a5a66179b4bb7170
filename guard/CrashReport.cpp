#include "guard/CrashReport.h"

#include "output/ConsoleLog.h"
#include "guard/DeviceLibraryRegistry.h"
#include "guard/RunningThread.h"
#include "guard/StackReserve.h"

#include <windows.h>

#include <atomic>
#include <csignal>

// How a library is kept from disarming the report. A library may replace the
// process's unhandled-exception filter (with NULL, or a filter of its own)
// when it is loaded or at any time later, from any thread. Re-arming after
// every return from library code would miss a library's own threads, and a
// first-chance vectored handler that reports by itself cannot know whether
// some frame will still handle the exception. So the report stays in the
// filter, which the system calls only for exceptions no frame handled, and a
// vectored handler re-arms that filter at the first chance of every
// exception, before any frame handler or the filter is consulted. An
// exception a library raises and catches itself only re-arms the filter;
// one that nothing catches finds the report armed, whoever replaced it last.
//
// The filter runs on the faulting thread, whose stack may be exhausted (a
// stack overflow), so it only hands the fault to a reporter thread made at
// start, which formats and writes the report and ends the process.
//
// A library that calls ExitProcess (or exit) runs none of the program's
// clean-up, but the system calls the fiber-local storage callbacks of the
// exiting thread; the one set up here names the library under test. The code
// the library passed is the exit code of the program's other threads, which
// ExitProcess ends first: the reporter thread's.

namespace {

// The path of the library under test, copied in before its test starts so
// that a report needs no allocation to name it.
char g_libraryUnderTest[32768];
std::atomic<bool> g_testingLibrary(false);

// The faulting module's path, and the report itself.
char g_faultingLibrary[32768];
char g_reportBuffer[2 * 32768 + 160];

// The code Windows gives a program that called abort().
const DWORD kAbortCode = 0x40000015;  // STATUS_FATAL_APP_EXIT
// How long a report waits for a print in progress.
const unsigned kPrintWaitMilliseconds = 2000;

std::atomic<bool> g_faultTaken(false);
DWORD g_faultCode = 0;
void* g_faultAddress = nullptr;
HANDLE g_faultEvent = nullptr;
HANDLE g_stopReporter = nullptr;
HANDLE g_reporterThread = nullptr;
DWORD g_processEndSlot = FLS_OUT_OF_INDEXES;

std::size_t Append(char* buffer, std::size_t size, std::size_t length, const char* text)
{
    while (*text && length + 1 < size)
        buffer[length++] = *text++;
    buffer[length] = '\0';
    return length;
}

const char* TestedLibrary()
{
    return g_testingLibrary.load() ? g_libraryUnderTest : nullptr;
}

// The path of the device library holding address when it is not the one
// under test, or null.
const char* OtherLibraryAt(const void* address)
{
    void* const module = FindDeviceLibrary(address);
    if (!module || module == ModuleUnderTest())
        return nullptr;
    const DWORD length =
        GetModuleFileNameA(static_cast<HMODULE>(module), g_faultingLibrary, sizeof g_faultingLibrary);
    return length > 0 && length < sizeof g_faultingLibrary ? g_faultingLibrary : nullptr;
}

void ReportAndTerminate(DWORD code, const void* address)
{
    const std::size_t length = FormatCrashReport(code, OtherLibraryAt(address), TestedLibrary(),
                                                 g_reportBuffer, sizeof g_reportBuffer);
    WriteLastWord(g_reportBuffer, length, kPrintWaitMilliseconds);
    // No pause and no clean-up: the process may be in any state.
    TerminateProcess(GetCurrentProcess(), 1);
}

DWORD WINAPI ReporterThread(void*)
{
    const HANDLE events[] = {g_faultEvent, g_stopReporter};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0)
        ReportAndTerminate(g_faultCode, g_faultAddress);
    return 0;
}

// Hands the first fault to the reporter thread and never returns; a fault of
// a second thread at the same time waits for the report to end the process.
void HandOverFault(DWORD code, void* address)
{
    if (g_faultTaken.exchange(true)) {
        for (;;)
            Sleep(INFINITE);
    }
    g_faultCode = code;
    g_faultAddress = address;
    if (!g_reporterThread) {
        ReportAndTerminate(code, address);
        return;
    }
    SetEvent(g_faultEvent);
    for (;;)
        Sleep(INFINITE);
}

LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD* record = exception ? exception->ExceptionRecord : nullptr;
    HandOverFault(record ? record->ExceptionCode : 0, record ? record->ExceptionAddress : nullptr);
    return EXCEPTION_EXECUTE_HANDLER;
}

LONG WINAPI RearmReport(EXCEPTION_POINTERS*)
{
    SetUnhandledExceptionFilter(ReportUnhandledException);
    return EXCEPTION_CONTINUE_SEARCH;
}

// A C++ exception that a library lets escape where the runtime cannot carry
// it into the program (the i386 build's unwinder stops at the library's
// edge) ends in abort(), from the C runtime all modules share.
void ReportAbort(int)
{
    HandOverFault(kAbortCode, nullptr);
}

void WINAPI ReportProcessEnd(void*)
{
    const char* const library = TestedLibrary();
    if (!library || g_faultTaken.load())
        return;
    DWORD exitCode = 0;
    if (!g_reporterThread || WaitForSingleObject(g_reporterThread, 1000) != WAIT_OBJECT_0 ||
        !GetExitCodeThread(g_reporterThread, &exitCode))
        exitCode = 0;
    const std::size_t length = FormatProcessEndReport(library, exitCode, g_reportBuffer, sizeof g_reportBuffer);
    WriteLastWord(g_reportBuffer, length, 200);
    TerminateProcess(GetCurrentProcess(), 1);
}

void WatchProcessEnd()
{
    g_processEndSlot = FlsAlloc(ReportProcessEnd);
    // The callback runs only for a slot that holds a value.
    if (g_processEndSlot != FLS_OUT_OF_INDEXES)
        FlsSetValue(g_processEndSlot, &g_processEndSlot);
}

std::size_t AppendHex(char* buffer, std::size_t size, std::size_t length, unsigned long code)
{
    char hex[11] = "0x00000000";
    const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < 8; ++i)
        hex[9 - i] = digits[(code >> (4 * i)) & 0xF];
    return Append(buffer, size, length, hex);
}

std::size_t AppendDecimal(char* buffer, std::size_t size, std::size_t length, unsigned long value)
{
    char digits[24];
    char* start = digits + sizeof digits - 1;
    *start = '\0';
    do {
        *--start = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    return Append(buffer, size, length, start);
}

}  // namespace

void InstallCrashReport()
{
    g_faultEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_stopReporter = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_faultEvent && g_stopReporter)
        g_reporterThread = StartRunningThread(ReporterThread);
    ReserveStackForReports();
    SetUnhandledExceptionFilter(ReportUnhandledException);
    AddVectoredExceptionHandler(1, RearmReport);
    std::signal(SIGABRT, ReportAbort);
    WatchProcessEnd();
}

void StopCrashReportThread()
{
    if (!g_reporterThread || g_faultTaken.load())
        return;
    const HANDLE thread = g_reporterThread;
    g_reporterThread = nullptr;
    SetEvent(g_stopReporter);
    WaitForSingleObject(thread, 2000);
    CloseHandle(thread);
}

CLibraryUnderTest::CLibraryUnderTest(const char* libraryPath)
{
    Append(g_libraryUnderTest, sizeof g_libraryUnderTest, 0, libraryPath);
    g_testingLibrary = true;
}

CLibraryUnderTest::~CLibraryUnderTest()
{
    g_testingLibrary = false;
    SetModuleUnderTest(nullptr);
}

const char* LibraryUnderTestPath()
{
    return TestedLibrary();
}

void NoteDeviceLibrary(void* module)
{
    AddDeviceLibrary(module);
    if (g_testingLibrary.load())
        SetModuleUnderTest(module);
}

std::size_t FormatCrashReport(unsigned long code, const char* faultingLibrary, const char* testedLibrary,
                              char* buffer, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t length = Append(buffer, size, 0, "ERROR: unhandled exception ");
    length = AppendHex(buffer, size, length, code);
    if (faultingLibrary) {
        length = Append(buffer, size, length, " in Tavro device library ");
        length = Append(buffer, size, length, faultingLibrary);
    }
    if (testedLibrary) {
        length = Append(buffer, size, length, " while testing Tavro device library ");
        length = Append(buffer, size, length, testedLibrary);
    }
    return Append(buffer, size, length, "\n");
}

std::size_t FormatProcessEndReport(const char* libraryPath, unsigned long exitCode, char* buffer,
                                   std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t length = Append(buffer, size, 0, "ERROR: Tavro device library ");
    length = Append(buffer, size, length, libraryPath ? libraryPath : "");
    length = Append(buffer, size, length, " ended the process with exit code ");
    length = AppendDecimal(buffer, size, length, exitCode);
    return Append(buffer, size, length, "\n");
}
