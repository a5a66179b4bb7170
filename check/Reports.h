// The three forms of the results: the console table, JSON and JUnit XML.
#pragma once

#include "check/CheckResult.h"

#include <string>
#include <vector>

// One library's block of the console table, ending with its summary line.
std::string FormatTable(const LibraryResults& library);

// {"tool": "TavroCheck", "architecture": ..., "passed": ..., "libraries": [
//   {"library": ..., "passed": ..., "seconds": ..., "checks": [
//     {"id": ..., "verdict": ..., "message": ..., "seconds": ...}, ...]}, ...]}
std::string FormatJson(const std::vector<LibraryResults>& libraries, const std::string& architecture);

// One <testsuite> per library, one <testcase> per check: a failed check has
// a <failure>, a skipped one <skipped>, a warning passes with the warning
// in <system-out>.
std::string FormatJunit(const std::vector<LibraryResults>& libraries);

// The architecture of this build: "x86-64" or "i386".
const char* BuildArchitecture();
