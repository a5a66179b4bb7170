#include "guard/DeviceLibraryRegistry.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

const unsigned kSlots = 256;

struct ImageRange {
    std::atomic<std::uintptr_t> base;
    std::atomic<std::uintptr_t> size;
};

ImageRange g_libraries[kSlots];
std::atomic<unsigned> g_nextSlot(0);
std::atomic<void*> g_moduleUnderTest(nullptr);

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

void AddDeviceLibrary(void* module)
{
    if (!module)
        return;
    ImageRange& slot = g_libraries[g_nextSlot.fetch_add(1) % kSlots];
    // Emptied first, so that a reader never pairs a base with a wrong size.
    slot.size.store(0);
    slot.base.store(reinterpret_cast<std::uintptr_t>(module));
    slot.size.store(ImageSize(module));
}

void* FindDeviceLibrary(const void* address)
{
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(address);
    for (ImageRange& slot : g_libraries) {
        const std::uintptr_t size = slot.size.load();
        const std::uintptr_t base = slot.base.load();
        if (size != 0 && at >= base && at - base < size)
            return reinterpret_cast<void*>(base);
    }
    return nullptr;
}

void SetModuleUnderTest(void* module)
{
    g_moduleUnderTest.store(module);
}

void* ModuleUnderTest()
{
    return g_moduleUnderTest.load();
}
