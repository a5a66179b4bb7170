// The three forms of the results: the console table, JSON and JUnit XML.
#pragma once

#include "check/recording/CheckResult.h"

#include <string>
#include <vector>

// One library's block of the console table, ending with its summary line;
// quiet: only the checks that did not pass (info counts as a pass).
std::string FormatTable(const LibraryResults& library, bool quiet = false);

// {"tool": "TavroCheck", "architecture": ..., "passed": ..., "libraries": [
//   {"library": ..., "round": ..., "passed": ..., "seconds": ..., "checks": [
//     {"id": ..., "verdict": ..., "rule": ..., "message": ..., "seconds": ...}, ...]}, ...]}
// "rule" is the rule a failure broke, "" for any other verdict.
std::string FormatJson(const std::vector<LibraryResults>& libraries, const std::string& architecture);

// One <testsuite> per library, one <testcase> per check: a failed check has
// a <failure>, a skipped one <skipped>, a warning passes with the warning
// or information in <system-out>.
std::string FormatJunit(const std::vector<LibraryResults>& libraries);

// The architecture of this build: "x86-64" or "i386".
const char* BuildArchitecture();
