// The search runs in a child process of the program's own file, so that
// nothing a device library does (a fault, a fail-fast, ending the process)
// ends the run. The parent holds the log and watches: when a child ends
// before its search did, the parent reports it and starts a new child,
// which resumes after the library whose test was cut short. A normal run
// has one child, and the console and the log read as they would without it.
#pragma once

#include "guard/SharedRunState.h"

#include <functional>

// Parent side. Runs the search in children until one finishes it, and sets
// searched to what that child returned (every search folder searched to the
// end); searched is false, with the reason printed, when a new child cannot
// be started or a child ended without getting anywhere. Returns false, with
// nothing printed, when not even the first child could be started (the
// system refuses this program file as a child: the search is then the
// caller's).
bool RunSearchInChildren(bool& searched);

// Child side: the search child's link to its parent, from its command line.
class CSearchChild {
public:
    // True when commandLine (the whole one) makes this process a search
    // child of a parent: the shared state is mapped, the log adopted and
    // the crash capture installed.
    bool Attach(const char* commandLine);
    SearchPosition& Position();
    // Tells the parent the outcome and ends the process at once: no code of
    // a library that stayed mapped runs at its end.
    [[noreturn]] void Finish(bool searched);

private:
    SharedRunState* m_state = nullptr;
};
