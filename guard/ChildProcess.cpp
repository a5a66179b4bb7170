#include "guard/ChildProcess.h"

#include "output/ConsoleLog.h"
#include "output/ModulePath.h"

namespace {

// How long the destructor waits for a child it ends.
const DWORD kEndWaitMilliseconds = 5000;

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

// The program file's path as CreateProcess takes it: a path of MAX_PATH
// characters or more only in its short form (which only the wide function
// gives for such a path).
std::string StartablePath()
{
    const std::string path = GetProgramFilePath();
    if (path.size() < MAX_PATH)
        return path;
    std::wstring wide(path.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size())));
    if (wide.empty())
        return path;
    wide.pop_back();  // the NUL
    // The prefix turns off the path's normalisation: slashes first.
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    wide = L"\\\\?\\" + wide;
    std::wstring shortPath(wide.size() + 1, L'\0');
    const DWORD length = GetShortPathNameW(wide.c_str(), &shortPath[0], static_cast<DWORD>(shortPath.size()));
    if (length == 0 || length >= shortPath.size() || length < 4)
        return path;
    std::string narrow(4 * length + 1, '\0');
    const int bytes = WideCharToMultiByte(CP_ACP, 0, shortPath.c_str() + 4, static_cast<int>(length - 4), &narrow[0],
                                          static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(bytes > 0 ? bytes : 0);
    return narrow.empty() ? path : narrow;
}

}  // namespace

CChildProcess::CChildProcess() : m_process(nullptr), m_job(nullptr)
{
}

CChildProcess::~CChildProcess()
{
    if (m_process && !Wait(0))
        Terminate(1, kEndWaitMilliseconds);
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

    const std::string program = StartablePath();
    std::string commandLine = "\"" + program + "\" " + arguments;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
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

bool CChildProcess::Terminate(DWORD code, DWORD waitMilliseconds)
{
    if (!m_process)
        return true;
    TerminateProcess(m_process, code);
    return Wait(waitMilliseconds);
}

HANDLE CChildProcess::Handle() const
{
    return m_process;
}
