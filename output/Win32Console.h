// The system's console: GetConsoleMode tells a console from a pipe or a file,
// WriteConsoleW shows UTF-16 text whatever the console's own code pages are
// (which are left as they are).
#pragma once

#include "output/Console.h"

#include <string>

class CWin32Console : public I_Console {
public:
    bool IsConsole(FILE* stream) override;
    unsigned TextCodePage() override;
    bool WriteCharacters(FILE* stream, const std::wstring& text) override;
};

// Older consoles refuse very long writes; a data report can run to many
// kilobytes, so it goes to the console in pieces of at most this many UTF-16
// units.
const std::wstring::size_type kConsolePiece = 8192;

// The length of the piece of text that starts at start: the rest of it, or
// kConsolePiece units, one less where the piece would end between the two
// halves of a surrogate pair.
std::wstring::size_type ConsolePieceLength(const std::wstring& text, std::wstring::size_type start);
