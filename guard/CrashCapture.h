// The crash capture of the process that tests device libraries. When a
// structured exception (an access violation inside a device library, a
// stack overflow, say) reaches the top of any thread, or the C runtime's
// abort() is called, the fault is recorded in the state shared with the
// watching parent and the process ends at once with the fault's code; the
// parent reports it. A library that ends the process in any other way
// (ExitProcess, TerminateProcess, a fail-fast) leaves its exit code for the
// parent to read.
#pragma once

#include "guard/SharedRunState.h"

// Installs the capture, recording into state from now on: the process's
// unhandled-exception filter, kept armed whatever a library does to it, the
// abort handler and the stack reserve of the calling (main) thread.
void InstallCrashCapture(SharedRunState& state);

// The state the capture and the library notes write to: the one given to
// InstallCrashCapture, or the process's own.
SharedRunState& CapturedRunState();
