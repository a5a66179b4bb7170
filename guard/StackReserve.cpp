#include "guard/StackReserve.h"

#include "guard/TlsCallback.h"

#include <windows.h>

namespace {

const ULONG kReserveBytes = 64 * 1024;
// Where the guard page goes above the stack's end: above the reserve.
const SIZE_T kGuardOffset = 256 * 1024;

// SetThreadStackGuarantee takes effect when a guard page is met above the
// reserve. Windows commits a stack page by page behind a moving guard page,
// so there always is one. Wine commits a thread's whole stack at once and
// keeps its only guard page at the very end, where an overflow leaves too
// little stack to handle it (the process then hangs); a guard page placed
// above the reserve is met first. Where that page is not committed yet (on
// Windows) it is left alone.
void PlaceGuardPageAboveReserve()
{
    MEMORY_BASIC_INFORMATION stack = {};
    if (!VirtualQuery(&stack, &stack, sizeof stack))
        return;
    char* const page = static_cast<char*>(stack.AllocationBase) + kGuardOffset;
    MEMORY_BASIC_INFORMATION target = {};
    if (page >= reinterpret_cast<char*>(&stack) || !VirtualQuery(page, &target, sizeof target) ||
        target.State != MEM_COMMIT || target.Protect != PAGE_READWRITE)
        return;
    DWORD previous = 0;
    VirtualProtect(page, 1, PAGE_READWRITE | PAGE_GUARD, &previous);
}

}  // namespace

void ReserveStackForReports()
{
    ULONG reserve = kReserveBytes;
    if (SetThreadStackGuarantee(&reserve))
        PlaceGuardPageAboveReserve();
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
