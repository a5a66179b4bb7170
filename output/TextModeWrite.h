// Writing a printed text to a C runtime stream that is opened in text mode,
// as that stream would store it (every "\n" as CR LF), but in one system
// write: the runtime itself writes a text-mode stream in pieces of about a
// kilobyte, one system call each, which a data report of thousands of
// lines would pay on every poll.
#pragma once

#include <cstdio>
#include <string>

// Appends text to out with indent blanks before every line (none when indent
// is 0 or less) and lineEnd in place of every "\n"; a line feed at the very
// end opens no further line, and an empty text appends nothing. A carriage
// return is an ordinary character. out keeps its storage, so that one
// reused for every text needs no new memory once it is large enough.
void AppendIndentedLines(const std::string& text, int indent, const char* lineEnd, std::string& out);

// The system handle behind stream, or INVALID_HANDLE_VALUE.
void* StreamHandle(FILE* stream);

// Writes bytes (a text in the form a text-mode stream stores it) to the file
// or pipe behind stream, after whatever the stream still buffers; nothing
// stays buffered, as after fflush. Errors are ignored, as the stream's own
// are.
void WriteWhole(FILE* stream, const std::string& bytes);
