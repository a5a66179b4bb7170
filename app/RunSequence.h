// The run of the program: creates the log, then searches every folder.
#pragma once

// True when every search folder was searched to the end.
bool RunTests();
