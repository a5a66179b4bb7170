#include "guard/StackBlame.h"
#include "guard/StackReserve.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A piece of "library code": each call form, then a plain instruction.
struct Code {
    unsigned char bytes[64] = {};
    std::uintptr_t At(int offset) const { return reinterpret_cast<std::uintptr_t>(bytes + offset); }
    bool Holds(std::uintptr_t address) const { return address >= At(8) && address <= At(63); }
};

}  // namespace

TEST(StackBlame, KnowsEveryFormOfCallAndNothingElse)
{
    const std::vector<std::vector<unsigned char>> calls = {
        {0xE8, 1, 2, 3, 4},              // call rel32
        {0xFF, 0x15, 1, 2, 3, 4},        // call [rip+disp32] / [disp32]
        {0xFF, 0x94, 0x24, 1, 2, 3, 4},  // call [rsp+disp32]
        {0xFF, 0x50, 8},                 // call [rax+disp8]
        {0xFF, 0xD0},                    // call rax
        {0x41, 0xFF, 0xD3},              // call r11
    };
    for (const std::vector<unsigned char>& call : calls) {
        unsigned char code[16] = {0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90};
        std::copy(call.begin(), call.end(), code + 8);
        EXPECT_TRUE(FollowsCall(code + 8 + call.size())) << std::hex << int(call[0]) << " " << int(call[1]);
    }
    const unsigned char jumps[] = {0x90, 0x90, 0x90, 0x90, 0x90, 0xFF, 0xE0, 0x90, 0x48, 0x89, 0xC8, 0xC3};
    EXPECT_FALSE(FollowsCall(jumps + 7));   // after jmp rax
    EXPECT_FALSE(FollowsCall(jumps + 11));  // after mov rax, rcx
}

TEST(StackBlame, NamesTheInnermostReturnAddressIntoALibraryThatFollowsACall)
{
    Code library;
    library.bytes[20] = 0xE8;  // a call whose return address is At(25)
    const std::uintptr_t notAfterCall = library.At(40);
    const std::uintptr_t returnAddress = library.At(25);
    const std::uintptr_t outside = 0x1234;
    const auto isLibraryCode = [&](std::uintptr_t address) { return library.Holds(address); };

    const std::uintptr_t stack[] = {outside, notAfterCall, 0, returnAddress, library.At(25)};
    EXPECT_EQ(returnAddress, FirstReturnAddress(stack, stack + 5, isLibraryCode));
    EXPECT_EQ(0u, FirstReturnAddress(stack, stack + 3, isLibraryCode));
    EXPECT_EQ(0u, FirstReturnAddress(stack, stack, isLibraryCode));
}

namespace {

struct ThreadStack {
    std::size_t reserve = 0;
    ULONG guarantee = ~0u;
};

// The stack reserve of a new thread and the guarantee it has when it starts:
// what the program gives every thread.
DWORD WINAPI ReadStack(void* stack)
{
    ThreadStack& seen = *static_cast<ThreadStack*>(stack);
    MEMORY_BASIC_INFORMATION region = {};
    VirtualQuery(&region, &region, sizeof region);
    seen.reserve = static_cast<std::size_t>(static_cast<char*>(reinterpret_cast<NT_TIB*>(NtCurrentTeb())->StackBase) -
                                            static_cast<char*>(region.AllocationBase));
    seen.guarantee = 0;
    SetThreadStackGuarantee(&seen.guarantee);
    return 0;
}

ThreadStack StackOfANewThread()
{
    ThreadStack stack;
    const HANDLE thread = CreateThread(nullptr, 0, ReadStack, &stack, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return stack;
}

}  // namespace

TEST(StackReserve, EveryNewThreadKeepsRoomForItsReportAsItsStackAllowsIt)
{
    EXPECT_EQ(0u, StackGuaranteeFor(32 * 1024));
    EXPECT_EQ(8u * 1024, StackGuaranteeFor(64 * 1024));
    EXPECT_EQ(16u * 1024, StackGuaranteeFor(128 * 1024));
    EXPECT_EQ(64u * 1024, StackGuaranteeFor(512 * 1024));
    EXPECT_EQ(64u * 1024, StackGuaranteeFor(8 * 1024 * 1024));
    // Every new thread has it, as its own reserve allows. (A thread with a
    // smaller reserve asked for is not made here: Wine never gives less
    // than the program's default, 1 MiB, and where i386 runs emulated the
    // probe of such a stack meets the guard page, a fault qemu does not
    // deliver.)
    const ThreadStack stack = StackOfANewThread();
    EXPECT_NE(0u, stack.guarantee);
    EXPECT_EQ(StackGuaranteeFor(stack.reserve), stack.guarantee);
}
