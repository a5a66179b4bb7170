// One enumeration of a folder's entries matching a pattern; owns the find
// handle and closes it on destruction.
#pragma once

#include <windows.h>

#include <string>

class CDirectoryEnumeration {
public:
    // Starts the enumeration. When it fails, IsOpen is false and ErrorCode
    // holds the system's error code, read at once.
    explicit CDirectoryEnumeration(const std::string& pattern);
    ~CDirectoryEnumeration();
    CDirectoryEnumeration(const CDirectoryEnumeration&) = delete;
    CDirectoryEnumeration& operator=(const CDirectoryEnumeration&) = delete;

    bool IsOpen() const;
    // Name of the current entry.
    const char* FileName() const;
    // Moves to the next entry; false at the end or on failure (ErrorCode
    // tells which: ERROR_NO_MORE_FILES at the end).
    bool Next();
    DWORD ErrorCode() const;

private:
    HANDLE m_handle;
    WIN32_FIND_DATAA m_entry;
    DWORD m_errorCode;
};

// True when path names an existing folder.
bool IsExistingFolder(const std::string& path);
