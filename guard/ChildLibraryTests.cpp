#include "guard/ChildLibraryTests.h"

#include "guard/ChildFacts.h"
#include "guard/CrashReport.h"
#include "guard/LibraryCallWatch.h"
#include "guard/LibraryTestChild.h"
#include "guard/Watchdog.h"
#include "output/ConsoleLog.h"

namespace {

// How long the parent waits for a child it ended to be gone.
const DWORD kChildEndMilliseconds = 10000;

HANDLE NewEvent()
{
    return CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

}  // namespace

CChildLibraryTests::CChildLibraryTests(LibraryTest inProcessTest) : m_inProcessTest(inProcessTest)
{
}

CChildLibraryTests::~CChildLibraryTests()
{
    ShareOutputWith(nullptr);
}

bool CChildLibraryTests::CreateShared()
{
    if (m_section.Get())
        return true;
    m_request.Reset(NewEvent());
    m_finished.Reset(NewEvent());
    if (!m_request || !m_finished || !m_section.Create())
        return false;
    ShareOutputWith(&m_section.Get()->outputInterlock);
    return true;
}

bool CChildLibraryTests::StartChild(std::string& errorText)
{
    if (!CreateShared()) {
        errorText = GetLastErrorText();
        return false;
    }
    SharedRunState& state = *m_section.Get();
    ResetForNewChild(state);
    m_firstRequest = m_nextRequest;
    m_requestPaths.clear();
    ResetEvent(m_request.Get());
    ResetEvent(m_finished.Get());
    void* const log = LogFileHandle();
    std::unique_ptr<CChildProcess> child(new CChildProcess);
    const std::string arguments =
        LibraryTestChildArguments(m_section.Handle(), log, m_request.Get(), m_finished.Get());
    if (!child->Start(arguments, {m_section.Handle(), static_cast<HANDLE>(log), m_request.Get(), m_finished.Get()},
                      errorText))
        return false;
    m_child = std::move(child);
    m_startedOne = true;
    return true;
}

void CChildLibraryTests::BeforeSearchLine()
{
    // A thread a library left behind may end the child between two tests.
    if (m_child && m_child->Wait(0))
        ReportEndedChild();
}

bool CChildLibraryTests::Test(const char* libraryPath)
{
    for (;;) {
        if (m_inProcess)
            return m_inProcess->Test(libraryPath);
        BeforeSearchLine();
        if (!m_child) {
            std::string error;
            if (!StartChild(error)) {
                if (!m_startedOne) {
                    // Where the system refuses to start this program as a
                    // child, the libraries are tested here, without that guard.
                    m_inProcess.reset(new CInProcessLibraryTests(m_inProcessTest));
                    continue;
                }
                PrintText("ERROR: cannot start the search process again. " + error, 0, false);
                return false;
            }
        }
        const uint32_t request = SendRequest(libraryPath);
        if (AwaitFinished(request, libraryPath))
            return true;
        bool tookRequest = false;
        if (!ReportEndedChild(request, tookRequest))
            return false;
        // A child that ended before it took the library (a thread of the
        // library before ended it) leaves the library to a new child.
        if (tookRequest)
            return true;
    }
}

uint32_t CChildLibraryTests::SendRequest(const char* libraryPath)
{
    SharedRunState& state = *m_section.Get();
    const uint32_t request = m_nextRequest++;
    m_requestPaths.push_back(libraryPath);
    CopyText(state.request.path, sizeof state.request.path, libraryPath);
    state.request.number.store(request);
    SetEvent(m_request.Get());
    return request;
}

bool CChildLibraryTests::AwaitFinished(uint32_t request, const std::string& libraryPath)
{
    const SharedRunState& state = *m_section.Get();
    CLibraryCallWatch watch(FirstWarningMs());
    std::string warning;
    watch.DueWarning(state.call, libraryPath, GetTickCount(), warning);
    const HANDLE handles[] = {m_finished.Get(), m_child->Handle()};
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, kWatchLookMilliseconds);
        if (woken == WAIT_OBJECT_0) {
            if (state.progress.finished.load() == request)
                return true;
        } else if (woken == WAIT_OBJECT_0 + 1) {
            return false;
        } else if (woken == WAIT_TIMEOUT) {
            if (watch.DueWarning(state.call, libraryPath, GetTickCount(), warning))
                PrintText(warning, 0, false);
        } else {
            // The handles are the parent's own: the wait cannot fail. Should
            // it, the child is ended rather than waited for blindly.
            EndChild(1);
            return true;
        }
    }
}

bool CChildLibraryTests::ReportEndedChild(uint32_t request, bool& tookRequest)
{
    const CChildFacts facts(*m_section.Get(), m_firstRequest, m_requestPaths);
    PrintText(ChildEndReport(facts, m_child->ExitCode()), 0, false);
    m_child.reset();
    tookRequest = facts.Took(request);
    return facts.ReachedALibrary();
}

bool CChildLibraryTests::ReportEndedChild()
{
    bool tookRequest = false;
    return ReportEndedChild(0, tookRequest);
}

void CChildLibraryTests::Finish()
{
    if (m_inProcess) {
        m_inProcess->Finish();
        return;
    }
    BeforeSearchLine();
    if (m_child)
        EndChild(0);
}

void CChildLibraryTests::EndChild(DWORD code)
{
    if (!m_child->Terminate(code, kChildEndMilliseconds))
        PrintText("WARNING: the search process (process " + std::to_string(m_child->Id()) + ") has not ended " +
                      std::to_string(kChildEndMilliseconds / 1000) +
                      " s after it was ended; the run goes on without it\n",
                  0, false);
    m_child->Close();
    m_child.reset();
}
