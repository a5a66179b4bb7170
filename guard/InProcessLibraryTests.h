// Tests device libraries in the program's own process, as a debugger wants
// it or where no child process can be started: no containment, but the hang
// watch runs on a thread of its own.
#pragma once

#include "guard/LibraryTester.h"

class CInProcessLibraryTests : public I_LibraryTester {
public:
    // Starts the hang watch; before any library is loaded, since a library
    // that hangs in DllMain holds the loader's lock, which a new thread needs.
    explicit CInProcessLibraryTests(LibraryTest test);
    // Ends the hang watch.
    ~CInProcessLibraryTests() override;
    CInProcessLibraryTests(const CInProcessLibraryTests&) = delete;
    CInProcessLibraryTests& operator=(const CInProcessLibraryTests&) = delete;

    bool Test(const char* libraryPath) override;

private:
    LibraryTest m_test;
};
