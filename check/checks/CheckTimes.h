// The times of the checks, worked out from --time and --soak: how long each
// waits for what it watches, and how long a check or a single library call
// may take before it is called hung. A checking child and its parent both
// work them out from the same command line: the parent's limits are its own,
// never the child's word.
#pragma once

#include <chrono>
#include <string>

struct CheckTimes {
    typedef std::chrono::milliseconds ms;
    ms readyBound{10000};        // longest wait for state 1
    ms readySettle{100};         // after state 1, for a library that takes it back
    ms dataWatch{1000};          // polling Tavro_GetLastData
    ms pollInterval{20};
    ms unregisterWatch{1000};    // watching for callbacks after unregistering
    ms threadSettle{1000};       // longest wait for the library's threads to end
    ms timerWatch{300};          // watching for WM_TIMER after the unload
    ms callBound{10000};         // any single library call: hung beyond it
    int cycles = 10;             // acquisitions in one load
    ms soak{5000};               // the long acquisition
    ms hostPoll{100};            // the host's pace of polling

    // The times for a --time bound of seconds: the bound for readiness and
    // for a hung call, and at most that for the watches.
    static CheckTimes ForBound(double seconds, double soakSeconds = 5);

    // What check id spends waiting and watching, besides its calls.
    ms Planned(const std::string& id) const;
    // The longest check id may run: what it plans and one call bound.
    ms Limit(const std::string& id) const { return Planned(id) + callBound; }
};
