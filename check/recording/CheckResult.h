// One check's result, and one library's results: the data every report
// (table, JSON, JUnit) is written from.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Info: passed, with something the interface leaves open to report.
enum class CheckVerdict { Pass, Info, Warning, Fail, Skipped };

// "pass", "info", "warning", "fail", "skipped": the words of the reports.
const char* VerdictName(CheckVerdict verdict);

// Pass, info and warning: what a check that depends on this one can build on.
bool Passing(CheckVerdict verdict);

struct CheckResult {
    CheckResult() : verdict(CheckVerdict::Skipped), seconds(0) {}
    CheckResult(std::string name, CheckVerdict v, std::string text, double time, std::string broken = std::string())
        : id(std::move(name)), verdict(v), message(std::move(text)), seconds(time), rule(std::move(broken))
    {
    }

    std::string id;       // stable identifier, e.g. "texts.buffer_guard"
    CheckVerdict verdict;
    std::string message;  // what was seen
    double seconds;       // how long the check ran
    std::string rule;     // a failure: the rule of TavroDeviceLibrary.h it broke
};

struct LibraryResults {
    std::string library;  // the path as given on the command line
    std::vector<CheckResult> checks;
    double seconds;
    int round = 1;        // with --repeat: which of the rounds, from 1
    int rounds = 1;

    // The path, and with --repeat the round: "x.dll (round 2 of 3)".
    std::string Name() const;

    // True when no check failed (warnings and skipped checks allowed).
    bool Passed() const;
    int Count(CheckVerdict verdict) const;
};
