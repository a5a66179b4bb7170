// One check's result, and one library's results: the data every report
// (table, JSON, JUnit) is written from.
#pragma once

#include <string>
#include <vector>

enum class CheckVerdict { Pass, Warning, Fail, Skipped };

// "pass", "warning", "fail", "skipped": the words of the reports.
const char* VerdictName(CheckVerdict verdict);

struct CheckResult {
    std::string id;       // stable identifier, e.g. "texts.buffer_guard"
    CheckVerdict verdict;
    std::string message;  // what was seen
    double seconds;       // how long the check ran
};

struct LibraryResults {
    std::string library;  // the path as given on the command line
    std::vector<CheckResult> checks;
    double seconds;

    // True when no check failed (warnings and skipped checks allowed).
    bool Passed() const;
    int Count(CheckVerdict verdict) const;
};
