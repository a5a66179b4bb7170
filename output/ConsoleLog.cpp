#include "output/ConsoleLog.h"

#include "output/ConsoleWriter.h"
#include "output/ModulePath.h"
#include "output/OutputInterlock.h"
#include "output/TextModeWrite.h"
#include "output/Win32Console.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <cstdlib>
#include <io.h>
#include <mutex>
#include <share.h>

FILE* g_logFile = nullptr;
std::string g_logFilePath;

namespace {

FILE* g_consoleStream = nullptr;
I_Console* g_console = nullptr;
std::atomic<uint32_t>* g_sharedOutput = nullptr;
// How long a print waits for the other process's print to end.
const uint32_t kSharedOutputWaitMilliseconds = 200;

// Every print holds this lock, so that the watchdog's warnings never cut
// into a line of the main thread. It is never destroyed: a library calling
// exit() runs the program's static destructors while the program may still
// print.
std::mutex& OutputLock()
{
    static std::mutex* const lock = new std::mutex;
    return *lock;
}

FILE* ConsoleStream()
{
    return g_consoleStream ? g_consoleStream : stdout;
}

// Never destroyed, for the same reason as the lock.
I_Console& Console()
{
    static I_Console* const system = new CWin32Console;
    return g_console ? *g_console : *system;
}

// The writer of the console stream, which asks the console once whether the
// stream is one; made anew when a test changes the stream or the console.
// Never destroyed, for the same reason as the lock.
CConsoleWriter* g_consoleWriter = nullptr;

CConsoleWriter& ConsoleWriter()
{
    if (!g_consoleWriter)
        g_consoleWriter = new CConsoleWriter(Console());
    return *g_consoleWriter;
}

void ForgetConsoleWriter()
{
    const std::lock_guard<std::mutex> lock(OutputLock());
    delete g_consoleWriter;
    g_consoleWriter = nullptr;
}

// The text of the print under way, in the form a text-mode stream stores
// it. One buffer serves every print (under the lock), so that a long data
// report needs no new memory on every poll. Never destroyed, for the same
// reason as the lock.
std::string& StoredText()
{
    static std::string* const text = new std::string;
    return *text;
}

// Every text goes out whole and at once: the console so that a question is
// on the screen before the answer is read, the log so that a crash inside a
// device library loses nothing that was printed before it. On a console the
// texts show as the characters of the ANSI code page; a pipe or a file gets
// the bytes. Under the output lock.
void WriteOutLocked(const std::string& text, int indent, bool logOnly)
{
    std::string& stored = StoredText();
    stored.clear();
    AppendIndentedLines(text, indent, "\r\n", stored);
    if (stored.empty())
        return;
    const COutputInterlock shared(g_sharedOutput, kSharedOutputWaitMilliseconds);
    if (!logOnly)
        ConsoleWriter().WriteStored(ConsoleStream(), stored);
    if (g_logFile)
        WriteWhole(g_logFile, stored);
}

void WriteOut(const std::string& text, int indent, bool logOnly)
{
    const std::lock_guard<std::mutex> lock(OutputLock());
    WriteOutLocked(text, indent, logOnly);
}

const char* const kLogFileName = "TavroProbe.log";
const int kLogOpenAttempts = 20;
const DWORD kLogOpenRetryMilliseconds = 50;

// Text mode: every line feed is stored as carriage return + line feed. Not
// shared for writing (what fopen_s gives): a second run started from the same
// folder fails here instead of truncating and sharing the log of a run still
// in progress. A run that has just ended may still hold the file for a
// moment (Wine closes a process's handles shortly after it has ended), so a
// refusal is tried again for up to a second. On failure, error is the
// system's code for the last attempt.
FILE* OpenLogNotSharedForWriting(const std::string& path, unsigned long& error)
{
    FILE* file = _fsopen(path.c_str(), "wt", _SH_DENYWR);
    for (int attempt = 0; !file && errno == EACCES && attempt < kLogOpenAttempts; ++attempt) {
        Sleep(kLogOpenRetryMilliseconds);
        file = _fsopen(path.c_str(), "wt", _SH_DENYWR);
    }
    // The C runtime keeps the system's code of a failed open in _doserrno.
    error = file ? 0 : static_cast<unsigned long>(_doserrno);
    if (!file && error == 0)
        error = GetLastError();
    return file;
}

// The system's reason for error on a line of its own under the error line.
void PrintSystemReason(unsigned long error)
{
    PrintText(LinesOfSystemText(GetSystemErrorText(error)) + "\n", 2, false);
}

}  // namespace

void SetConsoleStream(FILE* stream)
{
    g_consoleStream = stream;
    ForgetConsoleWriter();
}

void SetConsole(I_Console* console)
{
    g_console = console;
    ForgetConsoleWriter();
}

void ShareOutputWith(std::atomic<uint32_t>* word)
{
    g_sharedOutput = word;
}

bool CreateLogFile()
{
    const std::string path = FolderOfPath(GetProgramFilePath()) + kLogFileName;
    unsigned long error = 0;
    g_logFile = OpenLogNotSharedForWriting(path, error);
    if (g_logFile) {
        g_logFilePath = path;
        return true;
    }
    PrintFormatted("ERROR: failed to create log file %s\n", path.c_str(), 0);
    PrintSystemReason(error);
    return false;
}

void CloseLogFile()
{
    if (!g_logFile)
        return;
    fclose(g_logFile);
    g_logFile = nullptr;
    PrintText("\nA log file was created at " + g_logFilePath + "\n", 0, false);
    system("PAUSE");
}

void EndLogWithLastLine(const std::string& lastLine, bool toConsole)
{
    // The lock is never given back: the process ends now.
    OutputLock().lock();
    WriteOutLocked(lastLine, 0, !toConsole);
    if (g_logFile)
        fclose(g_logFile);
    g_logFile = nullptr;
}

void* LogFileHandle()
{
    return g_logFile ? reinterpret_cast<void*>(_get_osfhandle(_fileno(g_logFile))) : nullptr;
}

bool AdoptLogFile(void* handle)
{
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT | _O_WRONLY);
    if (descriptor < 0)
        return false;
    g_logFile = _fdopen(descriptor, "wt");
    if (!g_logFile) {
        _close(descriptor);
        return false;
    }
    return true;
}

void PrintFormatted(const char* format, const char* argument, int indent)
{
    std::string text(format);
    const std::string::size_type marker = text.find("%s");
    if (marker != std::string::npos)
        text.replace(marker, 2, argument ? argument : "");
    WriteOut(text, indent, false);
}

void PrintText(const char* text, int indent, bool logOnly)
{
    WriteOut(text ? text : "", indent, logOnly);
}

void PrintText(const std::string& text, int indent, bool logOnly)
{
    WriteOut(text, indent, logOnly);
}

void IndentLines(const std::string& text, int indent, std::string& out)
{
    // Built apart and swapped in at the end, so that text and out may be the
    // same string.
    std::string indented;
    AppendIndentedLines(text, indent, "\n", indented);
    out.swap(indented);
}

std::string GetLastErrorText()
{
    return GetSystemErrorText(GetLastError());
}

std::string LinesOfSystemText(const std::string& text)
{
    std::string lines;
    lines.reserve(text.size());
    for (const char c : text)
        if (c != '\r')
            lines += c;
    const std::string::size_type end = lines.find_last_not_of(" \n");
    lines.erase(end == std::string::npos ? 0 : end + 1);
    return lines;
}

std::string GetSystemErrorText(unsigned long code)
{
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   nullptr, code, LANG_USER_DEFAULT, reinterpret_cast<LPSTR>(&message), 0,
                   nullptr);
    if (message) {
        std::string text(message);
        LocalFree(message);
        return text;
    }
    return "System error code: " + std::to_string(code);
}
