// What the output needs of the system's console, behind an interface so that
// the console writer runs against a fake in the unit tests. Win32Console is
// the real one.
#pragma once

#include <cstdio>
#include <string>

class I_Console {
public:
    virtual ~I_Console() = default;

    // Is the handle behind stream a console (not a pipe, not a file)?
    virtual bool IsConsole(FILE* stream) = 0;
    // The code page of the texts the program prints: the ANSI code page.
    virtual unsigned TextCodePage() = 0;
    // Shows text on the console behind stream; false when the console
    // refused it before any of it was shown.
    virtual bool WriteCharacters(FILE* stream, const std::wstring& text) = 0;
};
