// Room on a thread's stack for reporting its own stack overflow.
#pragma once

#include <cstddef>

// Asks the system to keep part of the calling thread's stack for the
// handling of a stack overflow: StackGuaranteeFor its reserve.
void ReserveStackForReports();

// The bytes kept for a thread whose stack reserve is reserveBytes. The room
// comes out of the thread's own stack, so a thread must not overflow under
// the program where it would not in its real host: 64 KiB where the reserve
// is eight times that or more, an eighth of the reserve below that, and
// nothing where an eighth is less than 8 KiB (the least a report needs).
std::size_t StackGuaranteeFor(std::size_t reserveBytes);
