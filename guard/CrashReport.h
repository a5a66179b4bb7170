// The report of a search child that ended before its search did: one line,
// on the console and in the log, naming the library under test, the library
// whose code or thread ended the child (when another one), and the
// exception code or the exit code. The parent writes it from the facts the
// child left, with its own copies of the libraries' paths.
#pragma once

#include "guard/ChildFacts.h"

#include <cstddef>
#include <string>

// The line for a child that ended with exitCode on its own: "ERROR: the
// search process ended with exit code N and left no usable state" when its
// facts make no sense.
std::string ChildEndReport(const CChildFacts& facts, unsigned long exitCode);

// "ERROR: unhandled exception 0x%08X[ in Tavro device library %s][ while
// testing Tavro device library %s]\n": faultingLibrary names the device
// library whose code or thread faulted when that is not the one under test
// (null otherwise); testedLibrary the one under test (null when none is).
// Writes into buffer (NUL-terminated, cut to fit) without allocating;
// returns the length written.
std::size_t FormatCrashReport(unsigned long code, const char* faultingLibrary, const char* testedLibrary,
                              char* buffer, std::size_t size);

// "ERROR: Tavro device library %s ended the process with exit code %u\n",
// formatted as FormatCrashReport does.
std::size_t FormatProcessEndReport(const char* libraryPath, unsigned long exitCode, char* buffer,
                                   std::size_t size);
