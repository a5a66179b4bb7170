// Keeps a misbehaving library from taking the checker down silently.
//
// What happens to each kind of misbehaviour (the choice made here):
//  - A C++ exception that reaches the checker (x86-64) fails the running
//    check with its message (CCheckRecorder::Run), and the run goes on.
//  - A fault (an access violation, say), or a C++ exception the runtime
//    cannot carry out of the library (i386: abort()), fails the running
//    check naming the exception code and the call; the tables and report
//    files are written for everything so far and the process ends with
//    exit code 1. The process cannot safely go on: the fault may have left
//    any lock or heap of it broken.
//  - A check that runs past its bound (a call that does not return) fails
//    "did not return within N s", and the run ends the same way: the
//    checker's thread is stuck inside the library, and that library may
//    hold the loader lock that every other library's load needs.
#pragma once

#include "check/CheckRecorder.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class CWatchdog {
public:
    // endRun prints and writes everything with the note it is given; the
    // process then ends with exit code 1.
    typedef std::function<void(const std::string& note)> EndRun;

    CWatchdog(CCheckRecorder& recorder, EndRun endRun);
    ~CWatchdog();
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

    // Fails the running check naming the exception code, ends the run.
    // Never returns.
    void EndAfterFault(unsigned long code);

private:
    void Watch();
    // Prints and writes everything with the note, ends the process.
    void End(const std::string& note);
    // Only one thread may end the run; any other one stops here.
    void ClaimEnding();

    CCheckRecorder& m_recorder;
    EndRun m_endRun;
    std::atomic<bool> m_stop;
    std::atomic<bool> m_ending;
    std::thread m_thread;
};
