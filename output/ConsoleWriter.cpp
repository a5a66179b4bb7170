#include "output/ConsoleWriter.h"

#include "output/TextModeWrite.h"

#include <windows.h>

#include <climits>

namespace {

// text, in codePage, as UTF-16. Bytes the code page does not define come
// out as the system's replacement character.
std::wstring Widened(const std::string& text, unsigned codePage)
{
    if (text.empty() || text.size() > static_cast<std::string::size_type>(INT_MAX))
        return std::wstring();
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::wstring::size_type>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], needed);
    return wide;
}

}  // namespace

CConsoleWriter::CConsoleWriter(I_Console& console) : m_console(console), m_askedStream(nullptr), m_isConsole(false)
{
}

void CConsoleWriter::Write(FILE* stream, const std::string& text)
{
    std::string stored;
    AppendIndentedLines(text, 0, "\r\n", stored);
    WriteStored(stream, stored);
}

void CConsoleWriter::WriteStored(FILE* stream, const std::string& storedText)
{
    if (storedText.empty())
        return;
    if (!IsConsole(stream) || !WriteCharacters(stream, storedText))
        WriteWhole(stream, storedText);
}

bool CConsoleWriter::IsConsole(FILE* stream)
{
    if (stream != m_askedStream) {
        m_isConsole = m_console.IsConsole(stream);
        m_askedStream = stream;
    }
    return m_isConsole;
}

bool CConsoleWriter::WriteCharacters(FILE* stream, const std::string& storedText) const
{
    // The line ends are there already: a code page maps CR and LF to
    // themselves.
    const std::wstring characters = Widened(storedText, m_console.TextCodePage());
    if (characters.empty())
        return false;
    // Whatever the stream still holds goes first.
    fflush(stream);
    return m_console.WriteCharacters(stream, characters);
}
