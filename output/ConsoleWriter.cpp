#include "output/ConsoleWriter.h"

#include <windows.h>

#include <climits>

namespace {

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

std::wstring WithCrlfLineEnds(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (const wchar_t c : text) {
        if (c == L'\n')
            out += L'\r';
        out += c;
    }
    return out;
}

void WriteBytes(FILE* stream, const std::string& text)
{
    if (!text.empty())
        fwrite(text.data(), 1, text.size(), stream);
    fflush(stream);
}

}  // namespace

CConsoleWriter::CConsoleWriter(I_Console& console) : m_console(console)
{
}

void CConsoleWriter::Write(FILE* stream, const std::string& text) const
{
    if (text.empty() || !m_console.IsConsole(stream) || !WriteCharacters(stream, text))
        WriteBytes(stream, text);
}

bool CConsoleWriter::WriteCharacters(FILE* stream, const std::string& text) const
{
    const std::wstring characters = ConsoleCharacters(text, m_console.TextCodePage());
    if (characters.empty())
        return false;
    // Whatever the stream still holds goes first.
    fflush(stream);
    return m_console.WriteCharacters(stream, characters);
}

std::wstring ConsoleCharacters(const std::string& text, unsigned codePage)
{
    return WithCrlfLineEnds(Widened(text, codePage));
}
