// A fault in a timer callback must end the process like any other fault.
#pragma once

// Turns off the system's suppression of exceptions in timer callbacks
// (TimerProc): without this, a fault in a library's timer callback is
// swallowed and the callback simply runs again. Failure (a system that does
// not know the setting) is ignored.
void KeepTimerExceptionsUnhandled();
