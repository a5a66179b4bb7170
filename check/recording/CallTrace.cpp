#include "check/recording/CallTrace.h"

#include "check/child/ChildState.h"
#include "check/recording/WholeWrite.h"

#include <windows.h>

#include <cstdio>

namespace {

// The file opened for appending, shared so that the parent can add to it
// after a child.
HANDLE OpenForAppend(const std::string& path)
{
    return CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string Hex(uintptr_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

CCallTrace::CCallTrace(const std::string& path) : m_file(OpenForAppend(path))
{
}

CCallTrace::~CCallTrace()
{
    if (Valid())
        CloseHandle(m_file);
}

bool CCallTrace::Valid() const
{
    return m_file != INVALID_HANDLE_VALUE;
}

bool CCallTrace::Create(const std::string& path)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

void CCallTrace::Append(const std::string& path, const std::string& line)
{
    const HANDLE file = OpenForAppend(path);
    if (file == INVALID_HANDLE_VALUE)
        return;
    WriteWhole(file, line + "\r\n");
    CloseHandle(file);
}

void CCallTrace::Callback(void* context, int32_t state)
{
    Write(Stamp() + CallText("callback", static_cast<const void*>(context), state));
}

std::string CCallTrace::Stamp()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    char text[48];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u 0x%lX ", now.wHour, now.wMinute, now.wSecond,
                  now.wMilliseconds, static_cast<unsigned long>(GetCurrentThreadId()));
    return text;
}

void CCallTrace::Write(const std::string& line)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (Valid())
        WriteWhole(m_file, line + "\r\n");
}

std::string CCallTrace::ArgText(int32_t value)
{
    return std::to_string(value);
}

std::string CCallTrace::ArgText(uint32_t value)
{
    return std::to_string(value);
}

std::string CCallTrace::ArgText(const void* pointer)
{
    return pointer ? Hex(reinterpret_cast<uintptr_t>(pointer)) : "NULL";
}

std::string CCallTrace::ArgText(TavroStateCallback callback)
{
    return callback ? Hex(reinterpret_cast<uintptr_t>(callback)) : "NULL";
}

std::string CCallTrace::WrittenText(char* buffer, int32_t size)
{
    std::string text = "\"";
    int32_t i = 0;
    for (; i < size && buffer[i] != '\0' && i < 80; ++i) {
        const unsigned char c = static_cast<unsigned char>(buffer[i]);
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c < 0x20 || c == '"' || c == '\\' ? "\\x%02X" : "%c", c);
        text += escaped;
    }
    text += "\"";
    if (i == size)
        return text + " (no NUL within " + std::to_string(size) + " bytes)";
    return i < size && buffer[i] != '\0' ? text + "..." : text;
}

CCallTrace::CCall::CCall(CCallTrace* trace, const std::string& call)
    : m_trace(trace), m_line(trace ? Stamp() + call : std::string()), m_start(Clock::now()), m_returned(false)
{
    if (m_trace)
        NotePendingTrace(m_line.c_str());
}

CCallTrace::CCall::~CCall()
{
    if (!m_returned)
        Returned("left by an exception");
}

void CCallTrace::CCall::Returned(const std::string& result)
{
    m_returned = true;
    if (!m_trace)
        return;
    std::string shown = result;
    while (!shown.empty() && (shown.back() == '\r' || shown.back() == '\n' || shown.back() == ' '))
        shown.pop_back();
    char duration[48];
    std::snprintf(duration, sizeof duration, "(%.3f ms)",
                  std::chrono::duration<double, std::milli>(Clock::now() - m_start).count());
    m_trace->Write(m_line + (shown.empty() ? " " : " -> " + shown + " ") + duration);
    NotePendingTrace("");
}
