// The run of the program: creates the log, then has every folder searched.
#pragma once

// True when every search folder was searched to the end. Each library is
// tested in a child process, which the library can end without ending the
// run; inProcess tests them in the program's own process instead, as a
// debugger wants it: no child, no containment.
bool RunTests(bool inProcess = false);
