// Room on the calling thread's stack for reporting its own stack overflow.
#pragma once

// Asks the system to keep 64 KiB of the calling thread's stack for the
// handling of a stack overflow.
void ReserveStackForReports();
