// The last word of a run that a fault ends: when a structured exception
// (an access violation inside a device library, say) reaches the top of the
// program, one line naming the exception and the library being tested goes
// to the console and the log, and the process ends with exit code 1.
#pragma once

#include <string>

// Installs the report as the process's unhandled-exception filter.
void InstallCrashReport();

// Marks a library as being tested for the lifetime of the object, so that a
// fault while it lives names that library.
class CLibraryUnderTest {
public:
    explicit CLibraryUnderTest(const char* libraryPath);
    ~CLibraryUnderTest();
    CLibraryUnderTest(const CLibraryUnderTest&) = delete;
    CLibraryUnderTest& operator=(const CLibraryUnderTest&) = delete;
};

// The report line for an exception code, with the library's path or without
// one (null): "ERROR: unhandled exception 0x%08X[ while testing Tavro device
// library %s]\n". Writes into buffer (NUL-terminated, cut to fit) without
// allocating; returns the length written.
std::size_t FormatCrashReport(unsigned long code, const char* libraryPath, char* buffer,
                              std::size_t size);
