#include "OutputCapture.h"

#include "output/ConsoleLog.h"

#include <windows.h>

namespace {

std::string NewTempFileName()
{
    char folder[MAX_PATH + 1] = "";
    char name[MAX_PATH + 1] = "";
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "tvo", 0, name);
    return name;
}

std::string ReadStream(FILE* stream, const std::string& name)
{
    if (!stream)
        return std::string();
    fflush(stream);
    return ReadFileBytes(name);
}

}  // namespace

OutputCapture::OutputCapture(bool openLog)
    : m_consoleName(NewTempFileName()), m_console(nullptr), m_log(nullptr)
{
    m_console = fopen(m_consoleName.c_str(), "wt");
    SetConsoleStream(m_console);
    if (openLog) {
        m_logName = NewTempFileName();
        m_log = fopen(m_logName.c_str(), "wt");
        g_logFile = m_log;
    }
}

OutputCapture::~OutputCapture()
{
    SetConsoleStream(nullptr);
    g_logFile = nullptr;
    if (m_console)
        fclose(m_console);
    if (m_log)
        fclose(m_log);
    DeleteFileA(m_consoleName.c_str());
    if (!m_logName.empty())
        DeleteFileA(m_logName.c_str());
}

std::string OutputCapture::Console() const
{
    return ReadStream(m_console, m_consoleName);
}

std::string OutputCapture::Log() const
{
    return ReadStream(m_log, m_logName);
}

std::string Crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, count);
    fclose(file);
    return bytes;
}
