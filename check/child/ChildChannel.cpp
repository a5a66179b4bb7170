#include "check/child/ChildChannel.h"

#include "output/ConsoleLog.h"

#include <cstdint>

namespace {

const DWORD kPipeBytes = 64 * 1024;

void CloseIfOpen(HANDLE& handle)
{
    if (handle)
        CloseHandle(handle);
    handle = nullptr;
}

}  // namespace

CChildChannel::CChildChannel() : m_read(nullptr), m_write(nullptr)
{
    if (!CreatePipe(&m_read, &m_write, nullptr, kPipeBytes)) {
        m_error = GetLastErrorText();
        m_read = m_write = nullptr;
        return;
    }
    if (!m_state.Create())
        m_error = GetLastErrorText();
}

CChildChannel::~CChildChannel()
{
    CloseIfOpen(m_write);
    CloseIfOpen(m_read);
}

std::vector<HANDLE> CChildChannel::ChildHandles() const
{
    return {m_write, m_state.Handle()};
}

std::string CChildChannel::HandleText() const
{
    return std::to_string(reinterpret_cast<uintptr_t>(m_write)) + ":" +
           std::to_string(reinterpret_cast<uintptr_t>(m_state.Handle()));
}

void CChildChannel::CloseChildEnd()
{
    CloseIfOpen(m_write);
}

std::string CChildChannel::ReadAvailable()
{
    std::string text;
    DWORD available = 0;
    while (PeekNamedPipe(m_read, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD read = 0;
        if (!ReadFile(m_read, buffer, available < sizeof buffer ? available : sizeof buffer, &read, nullptr) || !read)
            break;
        text.append(buffer, read);
    }
    return text;
}
