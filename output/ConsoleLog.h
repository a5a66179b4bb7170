// Console and log output: every text the program shows goes through here, to
// the console first and then, while it is open, to TavroProbe.log.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

class I_Console;

// The open log, or null while no log is open.
extern FILE* g_logFile;
// Full path of the log; assigned only once the log has been opened.
extern std::string g_logFilePath;

// Creates (truncating) TavroProbe.log in the program's folder, not shared for
// writing while it is open. On failure (another run holds it, the folder is
// not writable) prints "ERROR: failed to create log file <path>", under it
// the system's reason indented by two blanks ("  Access is denied."), and
// returns false.
bool CreateLogFile();

// Closes the log, tells the operator where it is and waits for a key.
// Does nothing at all when no log is open.
void CloseLogFile();

// Ends the output of a run that ends at once: writes lastLine to the log
// (and to the console when toConsole) after anything printed before it,
// closes the log, and lets nothing print any more; no pause follows. The
// caller ends the process.
void EndLogWithLastLine(const std::string& lastLine, bool toConsole);

// The system handle of the open log, or null: for a child process that
// writes to the same log.
void* LogFileHandle();
// Makes an inherited handle of the log the open log of this process (text
// mode, as the log is written everywhere); false when it is none.
bool AdoptLogFile(void* handle);

// Every print from now on holds word (null: none), a word of memory shared
// with another process that prints to the same console and log, so that the
// texts of the two never cut into each other (COutputInterlock).
void ShareOutputWith(std::atomic<uint32_t>* word);

// Puts argument in place of the one "%s" of format and prints the result.
// The finished text is written literally, whatever its length.
void PrintFormatted(const char* format, const char* argument, int indent);

// Prints text indented by indent blanks; with logOnly the console is skipped
// (used to copy the operator's typed answers into the log).
void PrintText(const char* text, int indent, bool logOnly);
void PrintText(const std::string& text, int indent, bool logOnly);

// Puts indent blanks in front of every line of text; a line feed at the very
// end opens no further line. indent <= 0 leaves the text unchanged. text and
// out may be the same string.
void IndentLines(const std::string& text, int indent, std::string& out);

// The calling thread's last system error as the system's message text
// (with its own line end), or "System error code: N" when there is none.
std::string GetLastErrorText();
// The same text for an error code read earlier.
std::string GetSystemErrorText(unsigned long code);
// A system text as lines to print: carriage returns left out, and no line
// feed or blank at the end.
std::string LinesOfSystemText(const std::string& text);

// Where console output goes; standard output unless a test redirects it.
void SetConsoleStream(FILE* stream);
// The console the console stream is checked against and shown on; the
// system's unless a test gives a fake (null: the system's again).
void SetConsole(I_Console* console);
