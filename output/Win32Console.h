// The system's console: GetConsoleMode tells a console from a pipe or a file,
// WriteConsoleW shows UTF-16 text whatever the console's own code pages are
// (which are left as they are).
#pragma once

#include "output/Console.h"

class CWin32Console : public I_Console {
public:
    bool IsConsole(FILE* stream) override;
    unsigned TextCodePage() override;
    bool WriteCharacters(FILE* stream, const std::wstring& text) override;
};
