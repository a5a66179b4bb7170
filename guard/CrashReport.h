// The last word of a run that a device library ends: when a structured
// exception (an access violation inside a device library, a stack overflow,
// say) reaches the top of any thread, or a library ends the process itself,
// one line naming the library goes to the console and the log, nothing is
// printed after it, and the process ends with exit code 1.
#pragma once

#include <cstddef>

// Installs the report: the process's unhandled-exception filter, kept armed
// whatever a library does to it, the reporter thread, the stack reserve of
// the calling (main) thread and the watch on the process's end.
void InstallCrashReport();
// Ends the reporter thread once no library is loaded any more (a fault after
// that is reported on the faulting thread itself).
void StopCrashReportThread();

// Marks a library as being tested for the lifetime of the object, so that a
// fault or an end of the process while it lives names that library.
class CLibraryUnderTest {
public:
    explicit CLibraryUnderTest(const char* libraryPath);
    ~CLibraryUnderTest();
    CLibraryUnderTest(const CLibraryUnderTest&) = delete;
    CLibraryUnderTest& operator=(const CLibraryUnderTest&) = delete;
};

// The path of the library under test, or null while none is.
const char* LibraryUnderTestPath();

// Notes a device library the program has loaded (its module handle), so
// that a fault in its code is blamed on it even while another is tested.
void NoteDeviceLibrary(void* module);

// The report line for an exception code. faultingLibrary names the device
// library whose code faulted when that is not the one under test (null
// otherwise); testedLibrary the one under test (null when none is):
// "ERROR: unhandled exception 0x%08X[ in Tavro device library %s][ while
// testing Tavro device library %s]\n". Writes into buffer (NUL-terminated,
// cut to fit) without allocating; returns the length written.
std::size_t FormatCrashReport(unsigned long code, const char* faultingLibrary, const char* testedLibrary,
                              char* buffer, std::size_t size);

// "ERROR: Tavro device library %s ended the process with exit code %u\n",
// formatted as FormatCrashReport does.
std::size_t FormatProcessEndReport(const char* libraryPath, unsigned long exitCode, char* buffer,
                                   std::size_t size);
