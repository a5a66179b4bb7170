// A child process running this program's own file, kept in a job object so
// that it ends when this process ends (a killed or interrupted parent leaves
// no orphan behind) and so that a fault no handler takes ends it at once,
// never in an error-reporting dialogue waiting for a click.
#pragma once

#include "guard/ChildProcessSystem.h"

#include <windows.h>

#include <string>
#include <vector>

class CChildProcess {
public:
    explicit CChildProcess(I_ChildProcessSystem& system);
    CChildProcess();
    // Ends a child still running (waiting a few seconds at the most for it
    // to be gone), then closes the handles.
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts the program file with arguments (appended to its quoted path),
    // with the creation flags given. The child shares this process's
    // standard handles and inherits the handles listed, and only those,
    // which are inheritable only while it is created. It is in its job
    // before it runs: created in it where the system can, otherwise assigned
    // to it while suspended, with control events held off meanwhile. False,
    // with the system's error text, when it cannot start.
    bool Start(const std::string& arguments, const std::vector<HANDLE>& inherited, std::string& errorText,
               DWORD flags = 0);
    // Waits up to milliseconds (INFINITE for as long as it takes); true once
    // the child has ended.
    bool Wait(DWORD milliseconds);
    // The child's exit code, once it has ended.
    DWORD ExitCode() const;
    // Ends the child with code and waits up to milliseconds for it to be
    // gone (a process with I/O pending in a driver may take long to end);
    // true once it has ended.
    bool Terminate(DWORD code, DWORD milliseconds);
    HANDLE Handle() const;
    DWORD Id() const;
    // Closes the handles without waiting for the child; closing the job
    // ends it, as far as the system can.
    void Close();

private:

    I_ChildProcessSystem& m_system;
    HANDLE m_process;
    HANDLE m_job;
    DWORD m_id;
};
