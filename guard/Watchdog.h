// The hang watch of a process that tests device libraries without a child:
// one thread that warns, on the console and in the log, when a call into the
// library under test has not returned after 30 s, and again after 60, 120,
// 240 ... s. It keeps waiting: a slow instrument may be homing a motor.
#pragma once

#include <cstdint>

// Starts the watchdog thread; before any library is loaded, since a library
// that hangs in DllMain holds the loader's lock, which a new thread needs.
void StartWatchdog();
// Ends the watchdog thread, once no library is loaded any more: the process
// then ends with its main thread alone, as it did before the watch.
void StopWatchdog();

// The first warning's time in milliseconds: 30 s, or for the tests only the
// environment variable TAVRO_TEST_HANG_SECONDS (1 to 30).
uint32_t FirstWarningMs();
// The same for a TAVRO_TEST_HANG_SECONDS value: a whole number of seconds
// from 1 to 30; 30 s for anything else (unset, empty, 0, 31, "abc").
uint32_t FirstWarningMs(const char* seconds);
// How often a watch looks at the call record.
const uint32_t kWatchLookMilliseconds = 250;
