#include "guard/Win32ChildProcessSystem.h"

#include "guard/ControlGate.h"
#include "output/ConsoleLog.h"

#include <algorithm>

namespace {

void SetInheritable(HANDLE handle, bool inheritable)
{
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, inheritable ? HANDLE_FLAG_INHERIT : 0);
}

bool IsHandle(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// The handles a child inherits: the standard ones and those listed, each
// once.
std::vector<HANDLE> InheritedHandles(const STARTUPINFOA& startup, const std::vector<HANDLE>& listed)
{
    std::vector<HANDLE> handles;
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        if (IsHandle(handle))
            handles.push_back(handle);
    handles.insert(handles.end(), listed.begin(), listed.end());
    std::sort(handles.begin(), handles.end());
    handles.erase(std::unique(handles.begin(), handles.end()), handles.end());
    return handles;
}

// Makes the listed handles inheritable for the lifetime of the object, so
// that no other process this one starts (the command interpreter of the
// closing pause, say) inherits them.
class CInheritableWhileStarting {
public:
    explicit CInheritableWhileStarting(const std::vector<HANDLE>& handles) : m_handles(handles)
    {
        for (HANDLE handle : m_handles)
            SetInheritable(handle, true);
    }
    ~CInheritableWhileStarting()
    {
        for (HANDLE handle : m_handles)
            SetInheritable(handle, false);
    }
    CInheritableWhileStarting(const CInheritableWhileStarting&) = delete;
    CInheritableWhileStarting& operator=(const CInheritableWhileStarting&) = delete;

private:
    const std::vector<HANDLE>& m_handles;
};

// The attributes of a new process: which handles it inherits and, where
// there is one, the job it starts in.
class CStartAttributes {
public:
    CStartAttributes(std::vector<HANDLE>& handles, HANDLE& job)
    {
        SIZE_T size = 0;
        const DWORD count = job ? 2 : 1;
        InitializeProcThreadAttributeList(nullptr, count, 0, &size);
        m_storage.resize(size);
        m_list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.data());
        if (size == 0 || !InitializeProcThreadAttributeList(m_list, count, 0, &size)) {
            m_list = nullptr;
            return;
        }
        if (!UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                       handles.size() * sizeof(HANDLE), nullptr, nullptr) ||
            (job && !UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_JOB_LIST, &job, sizeof job,
                                               nullptr, nullptr))) {
            DeleteProcThreadAttributeList(m_list);
            m_list = nullptr;
        }
    }
    ~CStartAttributes()
    {
        if (m_list)
            DeleteProcThreadAttributeList(m_list);
    }
    CStartAttributes(const CStartAttributes&) = delete;
    CStartAttributes& operator=(const CStartAttributes&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return m_list; }

private:
    std::vector<char> m_storage;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

}  // namespace

HANDLE CWin32ChildProcessSystem::CreateGuardJob()
{
    const HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

bool CWin32ChildProcessSystem::CreateSuspended(const std::string& program, const std::string& commandLine,
                                               const std::vector<HANDLE>& inherited, DWORD flags, HANDLE job,
                                               PROCESS_INFORMATION& process, bool& inJob, std::string& errorText)
{
    STARTUPINFOEXA startup = {};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.StartupInfo.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.StartupInfo.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::vector<HANDLE> handles = InheritedHandles(startup.StartupInfo, inherited);
    const CInheritableWhileStarting inheritable(handles);
    std::string line = commandLine;
    {
        HANDLE jobToJoin = job;
        const CStartAttributes attributes(handles, jobToJoin);
        startup.lpAttributeList = attributes.Get();
        if (attributes.Get() &&
            CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, TRUE,
                           flags | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                           &startup.StartupInfo, &process)) {
            inJob = job != nullptr;
            return true;
        }
    }
    // A system that knows neither attribute: the job comes after the start.
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    line = commandLine;
    inJob = false;
    if (CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, TRUE, flags | CREATE_SUSPENDED, nullptr, nullptr,
                       &startup.StartupInfo, &process))
        return true;
    errorText = GetLastErrorText();
    return false;
}

bool CWin32ChildProcessSystem::AssignToJob(HANDLE job, HANDLE process)
{
    return AssignProcessToJobObject(job, process) != FALSE;
}

void CWin32ChildProcessSystem::Resume(HANDLE thread)
{
    ResumeThread(thread);
}

void CWin32ChildProcessSystem::Terminate(HANDLE process, DWORD code)
{
    TerminateProcess(process, code);
}

bool CWin32ChildProcessSystem::WaitForEnd(HANDLE process, DWORD milliseconds)
{
    return WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
}

DWORD CWin32ChildProcessSystem::ExitCode(HANDLE process)
{
    DWORD code = 0;
    return GetExitCodeProcess(process, &code) ? code : 0;
}

void CWin32ChildProcessSystem::Close(HANDLE handle)
{
    CloseHandle(handle);
}

void CWin32ChildProcessSystem::HoldControlEvents(bool hold)
{
    StopControlEventsAtGate();
    if (hold)
        m_gate.reset(new CControlGateHold);
    else
        m_gate.reset();
}

void CWin32ChildProcessSystem::KeepFaultDialoguesAway()
{
    SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
}

I_ChildProcessSystem& SystemChildProcesses()
{
    static CWin32ChildProcessSystem* const system = new CWin32ChildProcessSystem;
    return *system;
}

void QuietFaultReporting(WerFlagsSetter setWerFlags)
{
    SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
    // Windows Vista and later; looked up, so that the program still starts
    // where there is none.
    if (!setWerFlags)
        setWerFlags = reinterpret_cast<WerFlagsSetter>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "WerSetFlags")));
    if (setWerFlags)
        setWerFlags(kQuietWerFlags);
}
