#include "TempFolder.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

namespace {

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + "\\");
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

TempFolder::TempFolder()
{
    char base[MAX_PATH + 1] = "";
    GetTempPathA(sizeof base, base);
    static unsigned counter = 0;
    for (;;) {
        m_path = std::string(base) + "tavro-unit-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++counter) + "\\";
        if (CreateDirectoryA(m_path.c_str(), nullptr))
            return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create temporary folder " + m_path);
    }
}

TempFolder::~TempFolder()
{
    RemoveTree(m_path);
}

void TempFolder::AddFile(const std::string& name, const std::string& content) const
{
    FILE* file = fopen((m_path + name).c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot create " + m_path + name);
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
}

void TempFolder::AddFolder(const std::string& name) const
{
    if (!CreateDirectoryA((m_path + name).c_str(), nullptr))
        throw std::runtime_error("cannot create folder " + m_path + name);
}
