#include "guard/ChildProcess.h"

#include "guard/Win32ChildProcessSystem.h"
#include "output/ModulePath.h"

namespace {

// How long the destructor waits for a child it ended.
const DWORD kEndWaitMilliseconds = 5000;

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

CChildProcess::CChildProcess(I_ChildProcessSystem& system)
    : m_system(system), m_process(nullptr), m_job(nullptr), m_id(0)
{
}

CChildProcess::CChildProcess() : CChildProcess(SystemChildProcesses())
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
        m_system.Close(m_process);
    if (m_job)
        m_system.Close(m_job);
    m_process = nullptr;
    m_job = nullptr;
    m_id = 0;
}

bool CChildProcess::Start(const std::string& arguments, const std::vector<HANDLE>& inherited,
                          std::string& errorText, DWORD flags)
{
    Close();
    const std::string program = StartablePath();
    const std::string commandLine = "\"" + program + "\" " + arguments;
    m_system.KeepFaultDialoguesAway();
    m_job = m_system.CreateGuardJob();
    // A control event that ends this process while the child is suspended
    // outside its job would leave the child behind for ever.
    m_system.HoldControlEvents(true);
    PROCESS_INFORMATION process = {};
    bool inJob = false;
    if (!m_system.CreateSuspended(program, commandLine, inherited, flags, m_job, process, inJob, errorText)) {
        m_system.HoldControlEvents(false);
        Close();
        return false;
    }
    m_process = process.hProcess;
    m_id = process.dwProcessId;
    // Outside a job (the system refused one), the child still runs.
    if (m_job && !inJob && !m_system.AssignToJob(m_job, m_process)) {
        m_system.Close(m_job);
        m_job = nullptr;
    }
    m_system.Resume(process.hThread);
    m_system.Close(process.hThread);
    m_system.HoldControlEvents(false);
    return true;
}

bool CChildProcess::Wait(DWORD milliseconds)
{
    return m_process && m_system.WaitForEnd(m_process, milliseconds);
}

DWORD CChildProcess::ExitCode() const
{
    return m_process ? m_system.ExitCode(m_process) : 0;
}

bool CChildProcess::Terminate(DWORD code, DWORD milliseconds)
{
    if (!m_process)
        return true;
    m_system.Terminate(m_process, code);
    return Wait(milliseconds);
}

HANDLE CChildProcess::Handle() const
{
    return m_process;
}

DWORD CChildProcess::Id() const
{
    return m_id;
}
