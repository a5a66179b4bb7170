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

bool Holds(const LibraryEntry& entry, std::uintptr_t address)
{
    const std::uintptr_t size = entry.size.load();
    const std::uintptr_t base = entry.base.load();
    return entry.state.load() != kEntryEmpty && size != 0 && address >= base && address - base < size;
}

}  // namespace

void UseDeviceLibraryTable(DeviceLibraryTable* table)
{
    g_table = table ? table : &g_ownTable;
}

void AddDeviceLibrary(void* module, const char* path)
{
    if (!module)
        return;
    LibraryEntry& entry = g_table->entries[g_table->added.fetch_add(1) % kSharedLibraries];
    // Emptied first, so that a reader never pairs a base with a wrong path.
    entry.state.store(kEntryEmpty);
    entry.base.store(reinterpret_cast<std::uintptr_t>(module));
    entry.size.store(ImageSize(module));
    CopyText(entry.path, sizeof entry.path, path);
    entry.state.store(kEntryLoaded);
}

void MarkDeviceLibraryFreed(void* module)
{
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(module);
    for (LibraryEntry& entry : g_table->entries)
        if (entry.state.load() == kEntryLoaded && entry.base.load() == base)
            entry.state.store(kEntryFreed);
}

const LibraryEntry* FindDeviceLibrary(const DeviceLibraryTable& table, std::uintptr_t address)
{
    const LibraryEntry* freed = nullptr;
    for (const LibraryEntry& entry : table.entries) {
        if (!Holds(entry, address))
            continue;
        if (entry.state.load() == kEntryLoaded)
            return &entry;
        freed = &entry;
    }
    return freed;
}

const LibraryEntry* LastDeviceLibrary(const DeviceLibraryTable& table)
{
    const uint32_t added = table.added.load();
    if (added == 0)
        return nullptr;
    const LibraryEntry& entry = table.entries[(added - 1) % kSharedLibraries];
    return entry.state.load() != kEntryEmpty ? &entry : nullptr;
}
