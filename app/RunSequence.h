// The run of the program: creates the log, then has every folder searched.
#pragma once

// True when every search folder was searched to the end. Each library is
// tested in a child process, which the library can end without ending the
// run.
bool RunTests();
