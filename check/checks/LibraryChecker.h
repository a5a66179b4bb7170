// Checks one library: its export table, then one pass of load, describe,
// get ready, acquire, stop, ten acquisitions more, a long one (the soak),
// unregister and unload, then two more rounds of load, describe and unload.
// Every result goes to the recorder.
#pragma once

#include "check/checks/CallbackRecorder.h"
#include "check/checks/CheckPlatform.h"
#include "check/checks/CheckTimes.h"
#include "check/checks/LibraryCalls.h"
#include "check/checks/TextChecks.h"
#include "check/recording/CheckRecorder.h"

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CLibraryChecker {
public:
    CLibraryChecker(I_CheckPlatform& platform, CCheckRecorder& recorder, const CheckTimes& times);

    void Check(const std::string& path);

private:
    void CheckExports(const std::string& path);
    void FirstPass(const std::string& path);
    void Describe(CLibraryCalls& calls);
    void Readiness(CLibraryCalls& calls);
    void Data(CLibraryCalls& calls);
    void Cycles(CLibraryCalls& calls);
    void Soak(CLibraryCalls& calls);
    void PollTime();
    void Unregister(CLibraryCalls& calls);
    void Unload(const std::set<uint32_t>& threadsBefore, int windowsBefore);
    void LoadTwice(const std::string& path);
    CheckOutcome LoadDescribeUnload(const std::string& path, int round);
    // The platform's load and unload, named as the call in progress.
    bool CallLoad(const std::string& path, std::string& error);
    bool CallUnload();
    void Run(const char* id, const std::function<CheckOutcome()>& body);
    // Tavro_PrepareExperiment, then the wait for state 1 within the bound:
    // false if none came.
    bool Prepare(CLibraryCalls& calls);
    void Start(CLibraryCalls& calls);
    // Stops an acquisition still running (a check that would have stopped
    // it was left out or ended an earlier process).
    void StopIfAcquiring(CLibraryCalls& calls);
    // Tavro_GetLastData, timed.
    const TavroDataRecord* Poll(CLibraryCalls& calls);
    // Polls until a record (with values, where there are components) comes:
    // the number of polls, or 0 when none came within the data watch.
    int PollUntilRecord(CLibraryCalls& calls);
    // The first required procedure GetProcAddress does not find.
    std::string UnboundProcedure();
    // The host's last calls before FreeLibrary, where the checks that make
    // them were left out.
    void Release(CLibraryCalls& calls);

    I_CheckPlatform& m_platform;
    CCheckRecorder& m_recorder;
    const CheckTimes m_times;
    CCallbackRecorder m_callbacks;
    Description m_description;
    bool m_loaded;
    bool m_registered;
    bool m_acquiring;
    std::vector<double> m_pollMs;  // every Tavro_GetLastData call of the first pass
};
