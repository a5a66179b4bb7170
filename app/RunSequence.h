// The run of the program: creates the log, then has every folder searched.
#pragma once

#include "guard/SharedRunState.h"

// True when every search folder was searched to the end. The search itself
// runs in a child process (SearchFolders there), which a device library can
// end without ending the run.
bool RunTests();

// The search, in the search child: every search folder from position on.
// True when each was searched to the end.
bool SearchFolders(SearchPosition& position);
