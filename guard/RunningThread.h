// Threads the program starts for its own watch over device libraries.
#pragma once

#include <windows.h>

// Starts a thread running body and returns its handle (null on failure) once
// the thread runs. A new thread takes the loader's lock before it runs; a
// library that hangs or faults in DllMain holds that lock, so a watch thread
// must be running before any library is loaded.
HANDLE StartRunningThread(LPTHREAD_START_ROUTINE body);
