// The floor for a scan of device libraries: for every *.dll in the folders
// given, LoadLibraryA, GetProcAddress for the 14 procedure names and
// FreeLibrary; nothing is printed per library.
//
//   tavro_bench_scan_baseline <folder>...   (each folder ending in a backslash)
//
// Prints "scan_baseline libraries=<loaded> exports=<found>".
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "TavroDeviceLibrary.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    int loaded = 0;
    int exports = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string folder = argv[i];
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((folder + "*.dll").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        do {
            HMODULE module = LoadLibraryA((folder + entry.cFileName).c_str());
            if (!module)
                continue;
            ++loaded;
            for (int id = 0; id < TAVRO_PROCEDURE_COUNT; ++id) {
                if (GetProcAddress(module, GetProcedureName(id)))
                    ++exports;
            }
            FreeLibrary(module);
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    std::printf("scan_baseline libraries=%d exports=%d\n", loaded, exports);
    return 0;
}
