#include "guard/StackBlame.h"

#include "guard/DeviceLibraryRegistry.h"

#include <windows.h>

namespace {

// The bytes of the longest call form read before a return address.
const std::uintptr_t kLongestCall = 7;

bool IsIndirectCall(const unsigned char* opcode)
{
    // FF with the ModR/M reg field 2.
    return opcode[0] == 0xFF && ((opcode[1] >> 3) & 7) == 2;
}

bool IsReadable(std::uintptr_t address)
{
    MEMORY_BASIC_INFORMATION region = {};
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                           PAGE_EXECUTE_WRITECOPY | PAGE_WRITECOPY;
    return VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) &&
           region.State == MEM_COMMIT && (region.Protect & readable) && !(region.Protect & PAGE_GUARD);
}

}  // namespace

bool FollowsCall(const unsigned char* address)
{
    // E8 rel32; FF /2 with a 32-bit displacement (FF 15 / FF 9x, and with a
    // SIB byte); with an 8-bit one; through a register or [register]; and
    // the same with a REX prefix.
    return address[-5] == 0xE8 || IsIndirectCall(address - 6) || IsIndirectCall(address - 7) ||
           IsIndirectCall(address - 3) || IsIndirectCall(address - 4) || IsIndirectCall(address - 2);
}

std::uintptr_t FirstReturnAddress(const std::uintptr_t* first, const std::uintptr_t* end,
                                  const std::function<bool(std::uintptr_t address)>& isLibraryCode)
{
    for (const std::uintptr_t* word = first; word < end; ++word) {
        const std::uintptr_t candidate = *word;
        if (candidate > kLongestCall && isLibraryCode(candidate) &&
            FollowsCall(reinterpret_cast<const unsigned char*>(candidate)))
            return candidate;
    }
    return 0;
}

std::uintptr_t DeviceLibraryReturnAddressOnStack()
{
    const NT_TIB* const tib = reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
    std::uintptr_t here = 0;
    const std::uintptr_t* const first = &here + 1;
    const std::uintptr_t* const end = static_cast<const std::uintptr_t*>(tib->StackBase);
    if (first >= end)
        return 0;
    return FirstReturnAddress(first, end, [](std::uintptr_t address) {
        return IsInDeviceLibrary(address) && IsInDeviceLibrary(address - kLongestCall) &&
               IsReadable(address - kLongestCall) && IsReadable(address - 1);
    });
}
