#include "guard/StackReserve.h"

#include "guard/TlsCallback.h"

#include <windows.h>

namespace {

const std::size_t kFullGuaranteeBytes = 64 * 1024;
const std::size_t kLeastGuaranteeBytes = 8 * 1024;
// Where the guard page goes above the stack's end, in guarantees: above the
// room kept.
const std::size_t kGuardOffsetInGuarantees = 4;

// SetThreadStackGuarantee takes effect when a guard page is met above the
// room kept. Windows commits a stack page by page behind a moving guard page,
// so there always is one. Wine commits a thread's whole stack at once and
// keeps its only guard page at the very end, where an overflow leaves too
// little stack to handle it (the process then hangs); a guard page placed
// above the reserve is met first. Where that page is not committed yet (on
// Windows) it is left alone.
void PlaceGuardPageAboveReserve(void* allocationBase, std::size_t guarantee)
{
    MEMORY_BASIC_INFORMATION stack = {};
    char* const page = static_cast<char*>(allocationBase) + kGuardOffsetInGuarantees * guarantee;
    MEMORY_BASIC_INFORMATION target = {};
    if (page >= reinterpret_cast<char*>(&stack) || !VirtualQuery(page, &target, sizeof target) ||
        target.State != MEM_COMMIT || target.Protect != PAGE_READWRITE)
        return;
    DWORD previous = 0;
    VirtualProtect(page, 1, PAGE_READWRITE | PAGE_GUARD, &previous);
}

}  // namespace

std::size_t StackGuaranteeFor(std::size_t reserveBytes)
{
    const std::size_t eighth = reserveBytes / 8;
    if (eighth < kLeastGuaranteeBytes)
        return 0;
    return eighth < kFullGuaranteeBytes ? eighth & ~static_cast<std::size_t>(4095) : kFullGuaranteeBytes;
}

void ReserveStackForReports()
{
    // The whole reserve: from the allocation's base up to the stack's base.
    MEMORY_BASIC_INFORMATION stack = {};
    if (!VirtualQuery(&stack, &stack, sizeof stack))
        return;
    const NT_TIB* const tib = reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
    const std::size_t reserve =
        static_cast<std::size_t>(static_cast<char*>(tib->StackBase) - static_cast<char*>(stack.AllocationBase));
    const std::size_t guarantee = StackGuaranteeFor(reserve);
    ULONG bytes = static_cast<ULONG>(guarantee);
    if (guarantee != 0 && SetThreadStackGuarantee(&bytes))
        PlaceGuardPageAboveReserve(stack.AllocationBase, guarantee);
}

// Every thread of the process, a library's own included, gets the reserve
// as it starts: the system calls the program's TLS callbacks on each new
// thread before the thread's own code runs.
namespace {

void NTAPI ReserveStackOnThreadStart(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_THREAD_ATTACH)
        ReserveStackForReports();
}

}  // namespace

TAVRO_TLS_CALLBACK(g_reserveStackCallback, ReserveStackOnThreadStart)
