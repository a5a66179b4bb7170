#include "output/CrashReport.h"

#include "output/ConsoleLog.h"

#include <windows.h>

#include <csignal>
#include <cstdio>
#include <io.h>

namespace {

// The path of the library under test, copied in before its test starts so
// that the filter needs no allocation to name it.
char g_libraryUnderTest[32768];
bool g_testingLibrary = false;

// Large enough for the longest library path the system can load.
char g_reportBuffer[sizeof g_libraryUnderTest + 128];

std::size_t Append(char* buffer, std::size_t size, std::size_t length, const char* text)
{
    while (*text && length + 1 < size)
        buffer[length++] = *text++;
    buffer[length] = '\0';
    return length;
}

// Writes all of text to a system handle, with every line feed as CR LF as
// the program's text-mode streams store it.
void WriteToHandle(HANDLE handle, const char* text, std::size_t length)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= length; ++i) {
        if (i == length || text[i] == '\n') {
            DWORD written = 0;
            if (i > start)
                WriteFile(handle, text + start, static_cast<DWORD>(i - start), &written, nullptr);
            if (i < length)
                WriteFile(handle, "\r\n", 2, &written, nullptr);
            start = i + 1;
        }
    }
}

// The code Windows gives a program that called abort().
const DWORD kAbortCode = 0x40000015;  // STATUS_FATAL_APP_EXIT

void ReportAndTerminate(DWORD code)
{
    const std::size_t length = FormatCrashReport(code, g_testingLibrary ? g_libraryUnderTest : nullptr,
                                                 g_reportBuffer, sizeof g_reportBuffer);
    // The streams were flushed after every write, so everything printed
    // before the fault is already on disk. Their locks may be held by the
    // faulting code, so the report goes past them, straight to the handles.
    WriteToHandle(GetStdHandle(STD_OUTPUT_HANDLE), g_reportBuffer, length);
    if (g_logFile) {
        const HANDLE log = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(g_logFile)));
        WriteToHandle(log, g_reportBuffer, length);
        FlushFileBuffers(log);
    }
    // No pause and no clean-up: the process may be in any state.
    TerminateProcess(GetCurrentProcess(), 1);
}

LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS* exception)
{
    ReportAndTerminate(exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 0);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A C++ exception that a library lets escape where the runtime cannot carry
// it into the program (the i386 build's unwinder stops at the library's
// edge) ends in abort(), from the C runtime all modules share.
void ReportAbort(int)
{
    ReportAndTerminate(kAbortCode);
}

}  // namespace

void InstallCrashReport()
{
    SetUnhandledExceptionFilter(ReportUnhandledException);
    std::signal(SIGABRT, ReportAbort);
}

CLibraryUnderTest::CLibraryUnderTest(const char* libraryPath)
{
    Append(g_libraryUnderTest, sizeof g_libraryUnderTest, 0, libraryPath);
    g_testingLibrary = true;
}

CLibraryUnderTest::~CLibraryUnderTest()
{
    g_testingLibrary = false;
}

std::size_t FormatCrashReport(unsigned long code, const char* libraryPath, char* buffer, std::size_t size)
{
    if (size == 0)
        return 0;
    char hex[11] = "0x00000000";
    const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < 8; ++i)
        hex[9 - i] = digits[(code >> (4 * i)) & 0xF];
    std::size_t length = Append(buffer, size, 0, "ERROR: unhandled exception ");
    length = Append(buffer, size, length, hex);
    if (libraryPath) {
        length = Append(buffer, size, length, " while testing Tavro device library ");
        length = Append(buffer, size, length, libraryPath);
    }
    return Append(buffer, size, length, "\n");
}
