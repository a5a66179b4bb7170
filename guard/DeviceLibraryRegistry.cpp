#include "guard/DeviceLibraryRegistry.h"

#include <windows.h>

namespace {

DeviceLibraryTable g_ownTable;
DeviceLibraryTable* g_table = &g_ownTable;

// The size of the image mapped at module, from its own headers.
std::uintptr_t ImageSize(void* module)
{
    const IMAGE_DOS_HEADER* dos = static_cast<const IMAGE_DOS_HEADER*>(module);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        static_cast<const unsigned char*>(module) + dos->e_lfanew);
    return nt->Signature == IMAGE_NT_SIGNATURE ? nt->OptionalHeader.SizeOfImage : 0;
}

}  // namespace

void UseDeviceLibraryTable(DeviceLibraryTable* table)
{
    g_table = table ? table : &g_ownTable;
}

void AddDeviceLibrary(void* module, uint32_t request)
{
    if (!module)
        return;
    LibraryEntry& entry = g_table->entries[g_table->added.fetch_add(1) % kSharedLibraries];
    // Emptied first, so that a reader never pairs a base with a wrong request.
    entry.state.store(kEntryEmpty);
    entry.base.store(reinterpret_cast<std::uintptr_t>(module));
    entry.size.store(ImageSize(module));
    entry.request.store(request);
    entry.state.store(kEntryLoaded);
}

void MarkDeviceLibraryFreed(void* module)
{
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(module);
    for (LibraryEntry& entry : g_table->entries)
        if (entry.state.load() == kEntryLoaded && entry.base.load() == base)
            entry.state.store(kEntryFreed);
}

bool IsInDeviceLibrary(std::uintptr_t address)
{
    if (g_table->added.load() == 0)
        return false;
    for (const LibraryEntry& entry : g_table->entries) {
        const std::uintptr_t base = entry.base.load();
        if (entry.state.load() != kEntryEmpty && address >= base && address - base < entry.size.load())
            return true;
    }
    return false;
}
