#include "guard/StackBlame.h"

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
