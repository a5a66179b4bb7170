#include "check/checks/GuardedBuffer.h"

#include "check/child/ChildState.h"

#include <windows.h>

#include <new>

namespace {

size_t PageSize()
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return system.dwPageSize;
}

}  // namespace

CGuardedBuffer::CGuardedBuffer(int32_t size) : m_base(nullptr), m_data(nullptr), m_size(size < 0 ? 0 : size)
{
    const size_t page = PageSize();
    const size_t usable = (static_cast<size_t>(m_size) + page - 1) / page * page;
    m_base = VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!m_base)
        throw std::bad_alloc();
    char* const guard = static_cast<char*>(m_base) + usable;
    DWORD previous = 0;
    if (!VirtualProtect(guard, page, PAGE_NOACCESS, &previous)) {
        VirtualFree(m_base, 0, MEM_RELEASE);
        throw std::bad_alloc();
    }
    m_data = guard - m_size;
    NoteLentBuffer(guard, page, m_size);
}

CGuardedBuffer::~CGuardedBuffer()
{
    NoteBufferReturned();
    VirtualFree(m_base, 0, MEM_RELEASE);
}
