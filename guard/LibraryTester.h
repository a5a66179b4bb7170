// Tests the device libraries that the folder search finds, one at a time:
// in a child process that a library can end without ending the run
// (CChildLibraryTests), or in the program's own process (CInProcessLibraryTests).
#pragma once

// The test of one library, in whatever process runs it: loads the library at
// libraryPath, describes its device and runs the operator's acquisition test.
typedef void (*LibraryTest)(const char* libraryPath);

class I_LibraryTester {
public:
    virtual ~I_LibraryTester() = default;
    // Called before the search prints a line of its own, so that whatever
    // the tester has to report comes before it.
    virtual void BeforeSearchLine() {}
    // Tests the library at libraryPath, whose "Loading" line is out. False
    // when the search cannot go on.
    virtual bool Test(const char* libraryPath) = 0;
    // The search is over.
    virtual void Finish() {}
};
