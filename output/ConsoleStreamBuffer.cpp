#include "output/ConsoleStreamBuffer.h"

CConsoleStreamBuffer::CConsoleStreamBuffer(FILE* stream, const CConsoleWriter& writer)
    : m_stream(stream), m_writer(writer)
{
}

CConsoleStreamBuffer::~CConsoleStreamBuffer()
{
    sync();
}

CConsoleStreamBuffer::int_type CConsoleStreamBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    m_pending += traits_type::to_char_type(c);
    WriteCompleteLines();
    return c;
}

std::streamsize CConsoleStreamBuffer::xsputn(const char* text, std::streamsize count)
{
    m_pending.append(text, static_cast<std::string::size_type>(count));
    WriteCompleteLines();
    return count;
}

int CConsoleStreamBuffer::sync()
{
    if (!m_pending.empty()) {
        m_writer.Write(m_stream, m_pending);
        m_pending.clear();
    }
    return 0;
}

void CConsoleStreamBuffer::WriteCompleteLines()
{
    const std::string::size_type lastLineFeed = m_pending.rfind('\n');
    if (lastLineFeed == std::string::npos)
        return;
    m_writer.Write(m_stream, m_pending.substr(0, lastLineFeed + 1));
    m_pending.erase(0, lastLineFeed + 1);
}
