#include "app/DirectoryEnumeration.h"

CDirectoryEnumeration::CDirectoryEnumeration(const std::string& pattern)
    : m_handle(INVALID_HANDLE_VALUE), m_entry(), m_errorCode(ERROR_SUCCESS)
{
    m_handle = FindFirstFileA(pattern.c_str(), &m_entry);
    if (m_handle == INVALID_HANDLE_VALUE)
        m_errorCode = GetLastError();
}

CDirectoryEnumeration::~CDirectoryEnumeration()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        FindClose(m_handle);
}

bool CDirectoryEnumeration::IsOpen() const
{
    return m_handle != INVALID_HANDLE_VALUE;
}

const char* CDirectoryEnumeration::FileName() const
{
    return m_entry.cFileName;
}

bool CDirectoryEnumeration::Next()
{
    if (FindNextFileA(m_handle, &m_entry))
        return true;
    m_errorCode = GetLastError();
    return false;
}

DWORD CDirectoryEnumeration::ErrorCode() const
{
    return m_errorCode;
}

bool IsExistingFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
