#include "output/Win32Console.h"

#include "output/TextModeWrite.h"

#include <windows.h>

std::wstring::size_type ConsolePieceLength(const std::wstring& text, std::wstring::size_type start)
{
    std::wstring::size_type length = text.size() - start;
    if (length > kConsolePiece) {
        length = kConsolePiece;
        if (IS_HIGH_SURROGATE(text[start + length - 1]))
            --length;
    }
    return length;
}

bool CWin32Console::IsConsole(FILE* stream)
{
    const HANDLE handle = StreamHandle(stream);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

unsigned CWin32Console::TextCodePage()
{
    return CP_ACP;
}

bool CWin32Console::WriteCharacters(FILE* stream, const std::wstring& text)
{
    const HANDLE handle = StreamHandle(stream);
    std::wstring::size_type start = 0;
    while (start < text.size()) {
        const DWORD length = static_cast<DWORD>(ConsolePieceLength(text, start));
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.data() + start, length, &written, nullptr) || written == 0)
            return start > 0;
        start += written;
    }
    return true;
}
