// Whose code a thread came from when it faulted or ended the process: the
// first return address on its stack, from the innermost frame out, that lies
// in a device library and follows a call instruction there. A thread that a
// library started through the C runtime, the thread pool or a timer queue
// starts in msvcrt, ucrtbase or ntdll, so its start address tells nothing;
// its stack does. It reads only the thread's own stack and the bytes before
// each candidate, with no heap and no loader call: the thread may hold any
// lock.
#pragma once

#include <cstdint>
#include <functional>

// The innermost return address into a device library on the calling
// thread's stack, or 0.
std::uintptr_t DeviceLibraryReturnAddressOnStack();

// The same over the words from first up to (not including) end, with
// isLibraryCode telling whether the bytes from address - 6 up to address
// are readable code of a device library.
std::uintptr_t FirstReturnAddress(const std::uintptr_t* first, const std::uintptr_t* end,
                                  const std::function<bool(std::uintptr_t address)>& isLibraryCode);

// Whether the bytes before address end in a call instruction: a relative
// call (E8 rel32) or an indirect one (FF /2, through a register or memory,
// with or without a REX prefix).
bool FollowsCall(const unsigned char* address);
