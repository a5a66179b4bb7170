// Records the checks of each library as they run: which check is running
// (so that a hang or a fault can be charged to it), which ones are skipped
// because a check they need did not pass, and every result. The watchdog
// and the fault handler read it from other threads, so every member locks.
#pragma once

#include "check/CheckResult.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct CheckOutcome {
    CheckVerdict verdict;
    std::string message;
};

class CCheckRecorder {
public:
    typedef std::chrono::steady_clock Clock;

    CCheckRecorder();

    void BeginLibrary(const std::string& library);
    // Marks the checks not recorded as skipped and puts them in catalogue order.
    void EndLibrary();

    // Runs body as check id, unless a prerequisite did not pass (then the
    // check is skipped, naming it). A C++ exception out of body fails the
    // check with its message and the library call it came from. limit is
    // the longest the check may take before the watchdog calls it hung.
    void Run(const std::string& id, Clock::duration limit, const std::function<CheckOutcome()>& body);

    // The library call in progress (a Tavro_ export), or null; set by
    // CLibraryCalls around every call.
    void SetCurrentCall(const char* name);
    const char* CurrentCall() const;

    // For the watchdog: the running check's id when it has run past its
    // limit, or "" when nothing is overdue.
    std::string Overdue(Clock::time_point now) const;
    // The running check's limit in seconds.
    double RunningLimitSeconds() const;
    // For the watchdog and the fault handler: fails the running check with
    // message and closes the library's results. False if no check runs.
    bool FailRunning(const std::string& message);

    std::vector<LibraryResults> Results() const;

private:
    bool PrerequisitesPassed(const std::string& id, std::string& missing) const;
    void Record(const std::string& id, const CheckOutcome& outcome, Clock::time_point started);
    // ended: the run ends here, so the checks left were not reached.
    void CloseLibrary(bool ended);

    mutable std::mutex m_mutex;
    std::vector<LibraryResults> m_libraries;
    bool m_open;
    std::string m_running;
    Clock::time_point m_runningSince;
    Clock::time_point m_deadline;
    Clock::time_point m_libraryStart;
    std::atomic<const char*> m_currentCall;
};
