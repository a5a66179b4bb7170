// What a child process needs of the system, behind an interface so that the
// order of the steps (a job from the start, the hold on control events, the
// bounded wait for an end) is tested against a fake on any system;
// CWin32ChildProcessSystem is the real one.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class I_ChildProcessSystem {
public:
    virtual ~I_ChildProcessSystem() = default;

    // A job whose last handle, when closed, ends its processes, and in which
    // a process that meets an exception no handler takes ends at once; null
    // when the system refuses one.
    virtual HANDLE CreateGuardJob() = 0;
    // Creates the process suspended, inheriting only the handles listed (and
    // the standard ones). Where the system can, it is in job from its start
    // and inJob is set. False, with the system's error text, when it cannot.
    virtual bool CreateSuspended(const std::string& program, const std::string& commandLine,
                                 const std::vector<HANDLE>& inherited, DWORD flags, HANDLE job,
                                 PROCESS_INFORMATION& process, bool& inJob, std::string& errorText) = 0;
    virtual bool AssignToJob(HANDLE job, HANDLE process) = 0;
    virtual void Resume(HANDLE thread) = 0;
    virtual void Terminate(HANDLE process, DWORD code) = 0;
    // True once process has ended, waiting up to milliseconds.
    virtual bool WaitForEnd(HANDLE process, DWORD milliseconds) = 0;
    virtual DWORD ExitCode(HANDLE process) = 0;
    virtual void Close(HANDLE handle) = 0;
    // While held, a control event (Ctrl+C, a closed console) waits before it
    // can end this process: a child is never left started outside its job.
    virtual void HoldControlEvents(bool hold) = 0;
    // Makes the processes this one starts from now on start without the
    // system's fault dialogue.
    virtual void KeepFaultDialoguesAway() = 0;
};

// Windows Error Reporting's WerSetFlags, or a stand-in.
typedef HRESULT(WINAPI* WerFlagsSetter)(DWORD flags);
// The flags given to it: reports are queued, which shows no dialogue, and
// no heap is collected, so a dying process is not held for long.
const DWORD kQuietWerFlags = 2 /* WER_FAULT_REPORTING_FLAG_QUEUE */ | 1 /* WER_FAULT_REPORTING_FLAG_NOHEAP */;

// Keeps the system's fault handling from holding the calling process when it
// meets an exception no handler takes (or fails fast): adds
// SEM_NOGPFAULTERRORBOX to its error mode (processes it starts inherit that)
// and gives Windows Error Reporting kQuietWerFlags through setWerFlags (the
// system's where null, when it has one).
void QuietFaultReporting(WerFlagsSetter setWerFlags = nullptr);
