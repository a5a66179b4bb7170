// The hang watchdog: one thread that warns, on the console and in the log,
// when a call into a device library has not returned after 30 s, and again
// after 60, 120, 240 ... s. It keeps waiting: a slow instrument may be
// homing a motor.
#pragma once

#include "guard/LibraryHooks.h"

#include <cstdint>

// Starts the watchdog thread; before any library is loaded, since a library
// that hangs in DllMain holds the loader's lock, which a new thread needs.
// For the tests only, the environment variable TAVRO_TEST_HANG_SECONDS (1 to
// 30) read here moves the first warning earlier.
void StartWatchdog();
// Ends the watchdog thread, once no library is loaded any more: the process
// then ends with its main thread alone, as it did before the watch.
void StopWatchdog();

// The first warning's time in milliseconds for a TAVRO_TEST_HANG_SECONDS
// value: a whole number of seconds from 1 to 30; 30 s for anything else
// (unset, empty, 0, 31, "abc").
uint32_t FirstWarningMs(const char* seconds);
