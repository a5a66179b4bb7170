// The child side of the library tests: a process of the program's own file,
// started by the parent (CChildLibraryTests) with a hidden argument, that
// tests one library for each request of the parent and tells it when it is
// done. Between requests it waits; the parent ends it when the search is over.
#pragma once

#include "guard/LibraryTester.h"
#include "guard/SharedRunState.h"

#include <windows.h>

#include <string>

class CLibraryTestChild {
public:
    enum Role { kNotAChild, kChild, kBrokenChild };

    // What the command line (the whole one) makes this process. As a child,
    // the shared state is mapped, the log adopted, the crash capture
    // installed and the handles of the parent made private to this process,
    // so a process that a library starts cannot inherit them. A broken child
    // (its handles are not what they must be) has nothing to do but end.
    Role Attach(const char* commandLine);
    // Tests a library for each request of the parent, for ever.
    [[noreturn]] void Serve(LibraryTest test);

private:
    SharedRunState* m_state = nullptr;
    HANDLE m_request = nullptr;
    HANDLE m_finished = nullptr;
};

// The arguments that make a process of the program's file the library-test
// child of the parent that holds these handles.
std::string LibraryTestChildArguments(HANDLE section, void* log, HANDLE request, HANDLE finished);
