#include "check/recording/WholeWrite.h"

#include <windows.h>

void WriteWhole(void* handle, const std::string& bytes)
{
    const char* data = bytes.data();
    DWORD left = static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    while (left > 0 && WriteFile(handle, data, left, &written, nullptr) && written > 0) {
        data += written;
        left -= written;
    }
}
