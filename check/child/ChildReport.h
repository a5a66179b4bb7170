// What a checking child told its parent, and the parent's judgement when the
// child ends without saying it is done. Plain logic: the parent feeds it the
// child's lines and, at the end, the child's exit code and shared state.
//
// A child reports each check as it starts ("start", with the check's bound)
// and each result; "done" once the library's checks are all made. A child
// started to go on after an earlier one died runs the checks before `first`
// again, unreported, to bring the library to the same state; it reports
// their starts, so that a death there is told as such.
#pragma once

#include "check/child/ChildState.h"
#include "check/recording/CheckResult.h"

#include <chrono>
#include <string>
#include <vector>

class CChildReport {
public:
    typedef std::chrono::steady_clock Clock;

    // The lines a child writes, each ending in a line feed.
    static std::string StartLine(const std::string& id, Clock::duration limit);
    static std::string ResultLine(const CheckResult& result);
    static std::string DoneLine();

    // first: the first check the child reports. idleBound: the longest a
    // child that has begun may go without a message while no check runs.
    CChildReport(const std::string& first, Clock::duration idleBound);

    // Takes what the child wrote (any piece of its output).
    void Take(const std::string& bytes, Clock::time_point now);

    const std::vector<CheckResult>& Results() const { return m_results; }
    bool Done() const { return m_done; }
    // When the child is stalled: the running check's bound is over, or no
    // check runs and nothing was said for the idle bound. Never before the
    // first message (the start of a process is not the library's doing).
    Clock::time_point Deadline() const;

    // The failure for a child that ended with exitCode before "done": the
    // check running then (or the next one due) fails, naming the end.
    CheckResult Ended(unsigned long exitCode, const ChildState& state, Clock::time_point now) const;
    // The failure for a child the parent ended after its deadline.
    CheckResult Stalled(const ChildState& state, Clock::time_point now) const;

private:
    void TakeLine(const std::string& line, Clock::time_point now);
    // The check to fail for an end now, and its message with the suffix
    // that says a check before `first` was being repeated.
    CheckResult Charge(const std::string& what, Clock::time_point now) const;
    std::string ChargedId() const;
    bool Replaying() const;

    const std::string m_first;
    const Clock::duration m_idleBound;
    std::string m_pending;  // a line not ended yet
    std::vector<CheckResult> m_results;
    bool m_done;
    bool m_heard;
    std::string m_running;  // the check started and not yet reported, or ""
    Clock::time_point m_runningSince;
    Clock::duration m_runningLimit;
    Clock::time_point m_lastMessage;
};
