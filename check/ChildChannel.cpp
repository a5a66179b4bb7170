#include "check/ChildChannel.h"

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

CChildChannel::CChildChannel() : m_read(nullptr), m_write(nullptr), m_mapping(nullptr), m_state(nullptr)
{
    if (!CreatePipe(&m_read, &m_write, nullptr, kPipeBytes)) {
        m_error = GetLastErrorText();
        m_read = m_write = nullptr;
        return;
    }
    m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ChildState), nullptr);
    if (m_mapping)
        m_state = static_cast<ChildState*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ChildState)));
    if (!m_state)
        m_error = GetLastErrorText();
}

CChildChannel::~CChildChannel()
{
    if (m_state)
        UnmapViewOfFile(m_state);
    CloseIfOpen(m_mapping);
    CloseIfOpen(m_write);
    CloseIfOpen(m_read);
}

std::vector<HANDLE> CChildChannel::ChildHandles() const
{
    return {m_write, m_mapping};
}

std::string CChildChannel::HandleText() const
{
    return std::to_string(reinterpret_cast<uintptr_t>(m_write)) + ":" +
           std::to_string(reinterpret_cast<uintptr_t>(m_mapping));
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
