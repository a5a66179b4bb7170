#include "output/Win32Console.h"

#include <windows.h>

#include <io.h>

namespace {

// Older consoles refuse very long writes; a data report can run to many
// kilobytes, so it goes in pieces of this many UTF-16 units.
const std::wstring::size_type kMaximumPiece = 8192;

HANDLE HandleOf(FILE* stream)
{
    const int descriptor = stream ? _fileno(stream) : -1;
    return descriptor < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

// A piece never ends between the two halves of a surrogate pair.
DWORD PieceLength(const std::wstring& text, std::wstring::size_type start)
{
    std::wstring::size_type length = text.size() - start;
    if (length > kMaximumPiece) {
        length = kMaximumPiece;
        if (IS_HIGH_SURROGATE(text[start + length - 1]))
            --length;
    }
    return static_cast<DWORD>(length);
}

}  // namespace

bool CWin32Console::IsConsole(FILE* stream)
{
    const HANDLE handle = HandleOf(stream);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

unsigned CWin32Console::TextCodePage()
{
    return CP_ACP;
}

bool CWin32Console::WriteCharacters(FILE* stream, const std::wstring& text)
{
    const HANDLE handle = HandleOf(stream);
    std::wstring::size_type start = 0;
    while (start < text.size()) {
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.data() + start, PieceLength(text, start), &written, nullptr) ||
            written == 0)
            return start > 0;
        start += written;
    }
    return true;
}
