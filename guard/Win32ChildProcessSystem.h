// The system's side of a child process (see ChildProcessSystem.h).
#pragma once

#include "guard/ChildProcessSystem.h"
#include "guard/ControlGate.h"

#include <memory>

class CWin32ChildProcessSystem : public I_ChildProcessSystem {
public:
    HANDLE CreateGuardJob() override;
    bool CreateSuspended(const std::string& program, const std::string& commandLine,
                         const std::vector<HANDLE>& inherited, DWORD flags, HANDLE job, PROCESS_INFORMATION& process,
                         bool& inJob, std::string& errorText) override;
    bool AssignToJob(HANDLE job, HANDLE process) override;
    void Resume(HANDLE thread) override;
    void Terminate(HANDLE process, DWORD code) override;
    bool WaitForEnd(HANDLE process, DWORD milliseconds) override;
    DWORD ExitCode(HANDLE process) override;
    void Close(HANDLE handle) override;
    void HoldControlEvents(bool hold) override;
    void KeepFaultDialoguesAway() override;

private:
    std::unique_ptr<CControlGateHold> m_gate;
};

// The system's side, shared by every child process.
I_ChildProcessSystem& SystemChildProcesses();
