// Writes the program's texts to a stream that may be a console. Texts are in
// the ANSI code page (device names, units such as "\xB0C" or "\xB5m"); a
// console would show those bytes in its OEM code page, so on a console they
// are converted to UTF-16 and shown as the characters they are. A pipe or a
// file gets the bytes exactly as before.
#pragma once

#include "output/Console.h"

#include <cstdio>
#include <string>

class CConsoleWriter {
public:
    explicit CConsoleWriter(I_Console& console);

    // Writes text to stream (a text-mode stream), leaving nothing buffered.
    // Whether stream is a console is asked at the first write to it only: a
    // stream cannot become another during a run. On a console each "\n" is
    // shown as a line end (CR LF), as a text-mode stream writes it; a pipe
    // or a file, and a console that refuses the characters, gets the bytes
    // the stream would store, in one write.
    void Write(FILE* stream, const std::string& text);
    // The same for a text already in the form a text-mode stream stores it,
    // every line feed as CR LF.
    void WriteStored(FILE* stream, const std::string& storedText);

private:
    bool IsConsole(FILE* stream);
    bool WriteCharacters(FILE* stream, const std::string& storedText) const;

    I_Console& m_console;
    // The stream last asked about, and the answer.
    FILE* m_askedStream;
    bool m_isConsole;
};
