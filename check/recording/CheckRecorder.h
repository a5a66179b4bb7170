// Records the checks of each library as they run: which ones are skipped
// because a check they need did not pass, and every result. A listener
// hears of each check as it starts and of each result (a checking child
// passes them on to its parent, which charges a dying child's end to the
// check that was running). Library threads may call in, so every member
// locks.
#pragma once

#include "check/recording/CheckResult.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct CheckOutcome {
    CheckOutcome() : verdict(CheckVerdict::Skipped) {}
    CheckOutcome(CheckVerdict v, std::string text, std::string broken = std::string())
        : verdict(v), message(std::move(text)), rule(std::move(broken))
    {
    }

    CheckVerdict verdict;
    std::string message;
    // A failure: the rule it broke, when not the check's own (catalogue).
    std::string rule;
};

class CCallTrace;

class CCheckRecorder {
public:
    typedef std::chrono::steady_clock Clock;

    class I_Listener {
    public:
        virtual ~I_Listener() = default;
        virtual void Started(const std::string& id) = 0;
        virtual void Recorded(const CheckResult& result) = 0;
    };

    CCheckRecorder();

    void SetListener(I_Listener* listener);
    // The checks that ended an earlier checking process: each fails, with
    // a note of that, without being run again.
    void SetEndedElsewhere(const std::set<std::string>& ids);

    // The libraries begun from now on are checked in round of rounds.
    void SetRound(int round, int rounds);
    void BeginLibrary(const std::string& library);
    // Records each check not recorded: skipped where a check it needs did
    // not pass, failed as not reached otherwise (a check given never
    // passes unmade). Puts every check in catalogue order.
    void EndLibrary();

    // Runs body as check id, unless a prerequisite did not pass (then the
    // check is skipped, naming it) or the run leaves the check out (then
    // nothing is recorded). A failure is charged to the check's rule unless
    // it names another. A C++ exception out of body fails the check with
    // its message and the library call it came from.
    void Run(const std::string& id, const std::function<CheckOutcome()>& body);

    // The trace of every library call, or null.
    void SetTrace(CCallTrace* trace) { m_trace = trace; }
    CCallTrace* Trace() const { return m_trace; }

    // The library call in progress (a Tavro_ export, LoadLibrary or
    // FreeLibrary), or null; set around every call.
    void SetCurrentCall(const char* name);
    const char* CurrentCall() const;

    // Records a result made elsewhere (by a checking child, or about it).
    // A result of the same id is replaced.
    void Add(const CheckResult& result);
    // Has check id of the open library passed (or warned)?
    bool Passed(const std::string& id) const;

    std::vector<LibraryResults> Results() const;

private:
    bool PrerequisitesPassed(const std::string& id, std::string& skipped) const;
    bool EndedElsewhere(const std::string& id) const;
    void Record(const std::string& id, const CheckOutcome& outcome, Clock::time_point started);

    mutable std::mutex m_mutex;
    std::vector<LibraryResults> m_libraries;
    bool m_open;
    int m_round;
    int m_rounds;
    Clock::time_point m_libraryStart;
    I_Listener* m_listener;
    std::set<std::string> m_endedElsewhere;
    std::atomic<const char*> m_currentCall;
    CCallTrace* m_trace = nullptr;
};
