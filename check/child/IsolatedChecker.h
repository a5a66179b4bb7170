// Checks each library in child processes of this program, so that nothing
// a library does (a fault, a fail-fast, ending the process, a call that
// never returns, a stack overflow, a write past a buffer) ends or stalls the
// run. A child that dies, or that the parent ends when the running check
// has outlasted its bound, fails that check, naming how it ended; the
// library's checks after it go on in a fresh child, and those that depend
// on it are skipped.
#pragma once

#include "check/recording/CheckRecorder.h"
#include "check/recording/CheckSession.h"

#include <set>
#include <string>

class CChildChannel;
class CChildProcess;
class CChildReport;
struct ChildState;

class CIsolatedChecker {
public:
    // options: the bound of --time and what each child is handed.
    CIsolatedChecker(CCheckRecorder& recorder, const CheckOptions& options);

    void Check(const std::string& path);

private:
    // Runs the library's checks after those in ended in one child and
    // records what it reports. Returns the check charged with the child's
    // end, or "" when the child finished.
    std::string RunChild(const std::string& path, const std::set<std::string>& ended);
    // Takes the child's messages until it is done or has ended (false) or
    // has outlasted the running check's bound and is ended here (true).
    static bool Watch(CChildProcess& child, CChildChannel& channel, CChildReport& report);
    // With --trace: the child's call that never returned, with the end.
    void TraceUnreturnedCall(const ChildState& state, const CheckResult& failure) const;
    std::string ChildArguments(const std::string& channel, const std::set<std::string>& ended,
                               const std::string& path) const;

    CCheckRecorder& m_recorder;
    const CheckOptions& m_options;
    const double m_seconds;
};
