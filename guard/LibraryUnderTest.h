// The device library whose test runs in this process, for the hang watch of
// a process without a child (its path) and for the notes of the libraries
// loaded (the request it is tested for).
#pragma once

#include <cstdint>

// Marks a library as under test for the lifetime of the object.
class CLibraryUnderTest {
public:
    // request: the parent's number for this test; 0 where there is no parent.
    CLibraryUnderTest(const char* libraryPath, uint32_t request);
    ~CLibraryUnderTest();
    CLibraryUnderTest(const CLibraryUnderTest&) = delete;
    CLibraryUnderTest& operator=(const CLibraryUnderTest&) = delete;
};

// The path of the library under test ("" while none is).
const char* LibraryUnderTestPath();
// The request of the library under test (0 while none is).
uint32_t LibraryUnderTestRequest();
