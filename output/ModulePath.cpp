#include "output/ModulePath.h"

#include <windows.h>

#include <vector>

std::string GetProgramFilePath()
{
    // GetModuleFileNameA truncates silently when the buffer is too small, so
    // the buffer grows until the whole path fits.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0)
            return std::string();
        if (length < size)
            return std::string(buffer.data(), length);
        if (buffer.size() >= 32768 * 2)
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string FolderOfPath(const std::string& path)
{
    const std::string::size_type separator = path.find_last_of("\\/");
    if (separator == std::string::npos) {
        // "C:name" still names a folder: the drive's current one.
        if (path.size() >= 2 && path[1] == ':')
            return path.substr(0, 2);
        return std::string();
    }
    return path.substr(0, separator + 1);
}
