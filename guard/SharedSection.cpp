#include "guard/SharedSection.h"

namespace shared_section {

void* Create(std::size_t size, HANDLE& section)
{
    const unsigned long long bytes = size;
    section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(bytes >> 32),
                                 static_cast<DWORD>(bytes), nullptr);
    if (!section)
        return nullptr;
    void* const view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (!view) {
        CloseHandle(section);
        section = nullptr;
    }
    return view;
}

void* Open(HANDLE section, std::size_t size)
{
    void* const view = section ? MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr;
    MEMORY_BASIC_INFORMATION region = {};
    if (view && VirtualQuery(view, &region, sizeof region) && region.RegionSize >= size)
        return view;
    if (view)
        UnmapViewOfFile(view);
    return nullptr;
}

void Close(void* view, HANDLE section)
{
    if (view)
        UnmapViewOfFile(view);
    if (section)
        CloseHandle(section);
}

}  // namespace shared_section
