// Checks each library in child processes of this program, so that nothing
// a library does (a fault, a fail-fast, ending the process, a call that
// never returns, a stack overflow, a write past a buffer, a line it forges
// into the child's report) ends or stalls the run or passes a check that
// was not made. A child that dies, that the parent ends when a call or a
// check has outlasted its limit, or that writes a line no checking child
// writes there, fails the check it was at, naming how; the library's checks
// after it go on in a fresh child, and those that depend on it are skipped.
#pragma once

#include "check/checks/CheckTimes.h"
#include "check/recording/CheckRecorder.h"
#include "check/recording/CheckSession.h"

#include <ostream>
#include <set>
#include <string>

class CChildChannel;
class CChildProcess;
class CChildReport;
struct ChildState;

class CIsolatedChecker {
public:
    // options: the limits of --time and --soak and what each child is
    // handed. err: where a child that outlives every wait for its end is
    // named.
    CIsolatedChecker(CCheckRecorder& recorder, const CheckOptions& options, std::ostream& err);

    void Check(const std::string& path);

private:
    // How the watch of a child ended.
    enum class Watched { Done, Ended, Stalled, Broken };

    // Runs the library's checks after those in ended in one child and
    // records what it reports. Returns the check charged with the child's
    // end, or "" when the child finished with every result.
    std::string RunChild(const std::string& path, const std::set<std::string>& ended);
    // Takes the child's messages until it is done, has ended, has stalled
    // or has written a line no child writes there.
    static Watched Watch(CChildProcess& child, CChildChannel& channel, CChildReport& report);
    // The failure to record for a child that did not finish well, once it
    // is gone (or given up on).
    CheckResult Failure(Watched watched, CChildProcess& child, const CChildChannel& channel,
                        const CChildReport& report, const std::string& path);
    // Waits up to the call bound for a child that said it was done to end:
    // false when it did not (it is then ended, and named).
    bool AwaitEnd(CChildProcess& child, const std::string& path);
    // Ends the child, waiting up to the call bound for it to be gone. A
    // child that outlives that wait, or one ended for why, is named on err.
    void End(CChildProcess& child, const std::string& path, const std::string& why);
    // With --trace: the child's call that never returned, with the end.
    void TraceUnreturnedCall(const ChildState& state, const CheckResult& failure) const;
    std::string ChildArguments(const std::string& channel, const std::set<std::string>& ended,
                               const std::string& path) const;

    CCheckRecorder& m_recorder;
    const CheckOptions& m_options;
    const CheckTimes m_times;
    std::ostream& m_err;
};
