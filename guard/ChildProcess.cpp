#include "guard/ChildProcess.h"

#include "output/ConsoleLog.h"
#include "output/ModulePath.h"

namespace {

void MakeInheritable(HANDLE handle)
{
    if (handle && handle != INVALID_HANDLE_VALUE)
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
}

// A job whose last handle, when closed, ends its processes; a process in it
// that meets an exception no handler takes ends without a dialogue.
HANDLE CreateGuardJob()
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

}  // namespace

CChildProcess::CChildProcess() : m_process(nullptr), m_job(nullptr)
{
}

CChildProcess::~CChildProcess()
{
    if (m_process && !Wait(0))
        Terminate(1);
    Close();
}

void CChildProcess::Close()
{
    if (m_process)
        CloseHandle(m_process);
    if (m_job)
        CloseHandle(m_job);
    m_process = nullptr;
    m_job = nullptr;
}

bool CChildProcess::Start(const std::string& arguments, const std::vector<HANDLE>& inherited,
                          std::string& errorText)
{
    Close();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    MakeInheritable(startup.hStdInput);
    MakeInheritable(startup.hStdOutput);
    MakeInheritable(startup.hStdError);
    for (HANDLE handle : inherited)
        MakeInheritable(handle);

    std::string commandLine = "\"" + GetProgramFilePath() + "\" " + arguments;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &process)) {
        errorText = GetLastErrorText();
        return false;
    }
    m_process = process.hProcess;
    m_job = CreateGuardJob();
    // Outside a job (the system refused one), the child still runs.
    if (m_job && !AssignProcessToJobObject(m_job, m_process)) {
        CloseHandle(m_job);
        m_job = nullptr;
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    return true;
}

bool CChildProcess::Wait(DWORD milliseconds)
{
    return m_process && WaitForSingleObject(m_process, milliseconds) == WAIT_OBJECT_0;
}

DWORD CChildProcess::ExitCode() const
{
    DWORD code = 0;
    if (!m_process || !GetExitCodeProcess(m_process, &code))
        return 0;
    return code;
}

void CChildProcess::Terminate(DWORD code)
{
    if (!m_process)
        return;
    TerminateProcess(m_process, code);
    WaitForSingleObject(m_process, INFINITE);
}

HANDLE CChildProcess::Handle() const
{
    return m_process;
}
