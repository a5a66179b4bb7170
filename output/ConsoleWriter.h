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

    // Writes text to stream and flushes it. On a console each "\n" is shown
    // as a line end (CR LF), as a text-mode stream writes it; when the console
    // refuses the characters, it gets the bytes.
    void Write(FILE* stream, const std::string& text) const;

private:
    bool WriteCharacters(FILE* stream, const std::string& text) const;

    I_Console& m_console;
};

// text, in codePage, as UTF-16 with every "\n" as "\r\n". Bytes the code page
// does not define come out as the system's replacement character.
std::wstring ConsoleCharacters(const std::string& text, unsigned codePage);
