// What a checking child told its parent, and the parent's judgement of it.
// Plain logic: the parent feeds it the child's lines and what it sees of the
// child's shared state as it goes, and, at the end, the child's exit code.
//
// A child reports each check as it starts ("start") and each result; "done"
// once the library's checks are all made. A child started to go on after an
// earlier one died runs the checks before `first` again, unreported, to
// bring the library to the same state; it reports their starts, so that a
// death there is told as such.
//
// The parent believes only what it sees: the limits are its own (from its
// command line), a call is timed from when the parent first sees it in the
// shared state, a child is done only with a result for every check from
// `first` on, and a line that no checking child writes where it stands (out
// of turn, or garbled) ends what the parent takes from that child.
#pragma once

#include "check/checks/CheckTimes.h"
#include "check/child/ChildState.h"
#include "check/recording/CheckResult.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class CChildReport {
public:
    typedef std::chrono::steady_clock Clock;

    // The lines a child writes, each ending in a line feed.
    static std::string StartLine(const std::string& id);
    static std::string ResultLine(const CheckResult& result);
    static std::string DoneLine();

    // first: the first check the child reports. times: the parent's own,
    // for the limits of each check, of each call and of a silence between
    // checks.
    CChildReport(const std::string& first, const CheckTimes& times);

    // Takes what the child wrote (any piece of its output).
    void Take(const std::string& bytes, Clock::time_point now);
    // Looks at the child's shared state: the library call in progress.
    void Observe(const ChildState& state, Clock::time_point now);

    // The results taken, each of a check from `first` on, once at most.
    const std::vector<CheckResult>& Results() const { return m_results; }
    // The child wrote "done" where a child may write it.
    bool SaidDone() const { return m_saidDone; }
    // Every check from `first` on has its result.
    bool Complete() const { return MissingId().empty(); }
    // The child wrote a line out of turn or garbled; nothing after it is taken.
    bool Broken() const { return !m_broken.empty(); }
    // When the child is stalled: a call has run for the call bound, or the
    // running check for its limit (a call begun within that limit may still
    // take its own bound), or no check runs and nothing was said for the
    // call bound. Never before the first message (the start of a process is
    // not the library's doing).
    Clock::time_point Deadline() const;

    // The failure for a child that ended with exitCode before "done": the
    // check running then (or the next one due) fails, naming the end.
    CheckResult Ended(unsigned long exitCode, const ChildState& state, Clock::time_point now) const;
    // The failure for a child the parent ended after its deadline.
    CheckResult Stalled(Clock::time_point now) const;
    // The failure for the line that broke the report.
    CheckResult BrokenLine(Clock::time_point now) const;
    // The failure for the first check without a result after "done", for a
    // child that then ended with exitCode (or, ended == false, had to be
    // ended by the parent).
    CheckResult Incomplete(bool ended, unsigned long exitCode, Clock::time_point now) const;

private:
    void TakeLine(const std::string& line, Clock::time_point now);
    // "" when the line is one a child may write now (and is taken), else
    // what is wrong with it.
    std::string Judge(const std::vector<std::string>& fields, Clock::time_point now);
    std::string TakeResult(const std::vector<std::string>& fields);
    void Break(const std::string& what, const std::string& line);
    // The check to fail for an end now, and its message with the suffix
    // that says a check before `first` was being repeated.
    CheckResult Charge(const std::string& what, Clock::time_point now) const;
    // The first check from `first` on without a result, or "".
    std::string MissingId() const;
    bool HasResult(const std::string& id) const;
    bool Replaying() const;
    // A reported check (not one repeated) has started and has no result.
    bool RunningReported() const;

    const std::string m_first;
    const CheckTimes m_times;
    std::string m_pending;  // a line not ended yet
    std::vector<CheckResult> m_results;
    bool m_saidDone;
    std::string m_broken;  // what broke the report, or ""
    bool m_heard;
    std::string m_running;  // the check started and not yet reported, or ""
    Clock::time_point m_runningSince;
    Clock::time_point m_lastMessage;
    bool m_inCall;  // a library call in progress, as last observed
    uint32_t m_callCount;
    std::string m_call;
    Clock::time_point m_callSince;  // when the parent first saw it
};
