#include "app/AnswerReader.h"

#include <windows.h>

namespace {

// The C runtime's text mode reads Ctrl+Z as the end of the input.
const char kEndOfText = '\x1A';

}  // namespace

std::string ReadAnswerLine(I_ByteSource& source)
{
    std::string line;
    char byte = 0;
    for (;;) {
        switch (source.Read(byte)) {
        case I_ByteSource::kInterrupted:
            continue;
        case I_ByteSource::kEnd:
            return line;
        case I_ByteSource::kByte:
            break;
        }
        if (byte == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        line += byte;
    }
}

CStandardInput::CStandardInput() : m_ended(false)
{
    DWORD mode = 0;
    m_isConsole = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != FALSE;
}

I_ByteSource::Result CStandardInput::Read(char& byte)
{
    if (m_ended)
        return kEnd;
    DWORD read = 0;
    SetLastError(ERROR_SUCCESS);
    const BOOL ok = ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr);
    if (ok && read == 1 && byte != kEndOfText)
        return kByte;
    // A console's Ctrl+Z at the start of a line reads as no bytes too, but
    // without this error.
    if (m_isConsole && read == 0 && GetLastError() == ERROR_OPERATION_ABORTED)
        return kInterrupted;
    m_ended = true;
    return kEnd;
}
