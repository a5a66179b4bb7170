#include "guard/SharedRunStateMapping.h"

#include <new>

void CopyText(char* buffer, unsigned size, const char* text)
{
    if (size == 0)
        return;
    unsigned length = 0;
    while (text && text[length] && length + 1 < size) {
        buffer[length] = text[length];
        ++length;
    }
    buffer[length] = '\0';
}

CSharedRunStateMapping::CSharedRunStateMapping() : m_section(nullptr), m_state(nullptr)
{
}

CSharedRunStateMapping::~CSharedRunStateMapping()
{
    Close();
}

void CSharedRunStateMapping::Close()
{
    if (m_state)
        UnmapViewOfFile(m_state);
    if (m_section)
        CloseHandle(m_section);
    m_state = nullptr;
    m_section = nullptr;
}

bool CSharedRunStateMapping::Create()
{
    Close();
    m_section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SharedRunState), nullptr);
    if (!m_section)
        return false;
    void* const view = MapViewOfFile(m_section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedRunState));
    if (!view) {
        Close();
        return false;
    }
    m_state = new (view) SharedRunState();
    m_state->magic = kSharedRunStateMagic;
    return true;
}

bool CSharedRunStateMapping::Open(HANDLE section)
{
    Close();
    MEMORY_BASIC_INFORMATION region = {};
    void* const view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (!view)
        return false;
    if (!VirtualQuery(view, &region, sizeof region) || region.RegionSize < sizeof(SharedRunState) ||
        static_cast<SharedRunState*>(view)->magic != kSharedRunStateMagic) {
        UnmapViewOfFile(view);
        return false;
    }
    m_section = section;
    m_state = static_cast<SharedRunState*>(view);
    return true;
}

SharedRunState* CSharedRunStateMapping::State() const
{
    return m_state;
}

HANDLE CSharedRunStateMapping::Section() const
{
    return m_section;
}
