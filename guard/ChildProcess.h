// A child process running this program's own file, kept in a job object so
// that it ends when this process ends (a killed or interrupted parent leaves
// no orphan behind) and so that a fault no handler takes ends it at once,
// never in an error-reporting dialogue waiting for a click.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CChildProcess {
public:
    CChildProcess();
    // Ends a child still running (waiting a few seconds at most for it to
    // be gone), then closes the handles.
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts the program file with arguments (appended to its quoted path).
    // The child shares this process's standard handles and inherits the
    // handles listed, which are made inheritable. False, with the system's
    // error text, when it cannot start.
    bool Start(const std::string& arguments, const std::vector<HANDLE>& inherited, std::string& errorText);
    // Waits up to milliseconds (INFINITE for as long as it takes); true once
    // the child has ended.
    bool Wait(DWORD milliseconds);
    // The child's exit code, once it has ended.
    DWORD ExitCode() const;
    // Ends the child with code and waits up to waitMilliseconds for it to
    // be gone (a process with driver I/O pending may take long to end).
    // True once it has ended, or when none runs; false when it outlived the
    // wait.
    bool Terminate(DWORD code, DWORD waitMilliseconds);
    HANDLE Handle() const;

private:
    void Close();

    HANDLE m_process;
    HANDLE m_job;
};
