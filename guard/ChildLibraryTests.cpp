#include "guard/ChildLibraryTests.h"

#include "guard/ChildFacts.h"
#include "guard/ControlEvents.h"
#include "guard/ControlGate.h"
#include "guard/CrashReport.h"
#include "guard/LibraryCallWatch.h"
#include "guard/LibraryTestChild.h"
#include "guard/Watchdog.h"
#include "output/ConsoleLog.h"

namespace {

// How long the parent waits for a child it ended to be gone.
const DWORD kChildEndMilliseconds = 10000;
// The same when the console is closing: the system grants a few seconds.
const DWORD kClosingChildEndMilliseconds = 2000;

CChildLibraryTests* g_controlled = nullptr;

HANDLE NewEvent()
{
    return CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

}  // namespace

CChildLibraryTests::CChildLibraryTests(LibraryTest inProcessTest) : m_inProcessTest(inProcessTest)
{
    StopControlEventsAtGate();
    g_controlled = this;
    SetConsoleCtrlHandler(OnControlEvent, TRUE);
}

CChildLibraryTests::~CChildLibraryTests()
{
    SetConsoleCtrlHandler(OnControlEvent, FALSE);
    const CControlGateHold hold;
    g_controlled = nullptr;
    ShareOutputWith(nullptr);
}

BOOL WINAPI CChildLibraryTests::OnControlEvent(DWORD event)
{
    const CControlGateHold hold;
    return g_controlled ? g_controlled->HandleControlEvent(event) : FALSE;
}

BOOL CChildLibraryTests::HandleControlEvent(DWORD event)
{
    if (m_inProcess)
        return FALSE;
    const SharedRunState* const state = m_section.Get();
    const bool testing = m_child && m_testing != 0 && state;
    const uint32_t sequence = testing ? state->call.sequence.load() : 0;
    const int32_t activity = testing ? state->activity.load() : kActivityNone;
    const ControlDecision decision =
        DecideControlEvent(event, testing, activity, sequence % 2 == 1, testing ? state->call.call.load() : -1);
    // A question's line is still open: the operator has not answered.
    const std::string lineEnd = activity == kActivityQuestion ? "\n" : "";
    switch (decision.outcome) {
    case ControlOutcome::kEndTest:
        m_endedByOperator = m_testing;
        m_endedIn = decision.call;
        // One that outlives the wait is named, and the run goes on without it.
        m_givenUp = !m_child->Terminate(kControlCExitCode, kChildEndMilliseconds);
        if (m_givenUp)
            PrintText(NotEndedLine(), 0, false);
        return TRUE;
    case ControlOutcome::kEndRunByOperator:
        EndRun(lineEnd + OperatorEndedRunLine(), true);
    case ControlOutcome::kEndRunClosed:
        EndRun(lineEnd + ConsoleClosedLine(testing ? m_requestPaths.back() : std::string()), false);
    }
    return FALSE;
}

void CChildLibraryTests::EndRun(const std::string& lastLine, bool toConsole)
{
    if (m_child)
        m_child->Terminate(kControlCExitCode,
                           toConsole ? kChildEndMilliseconds : kClosingChildEndMilliseconds);
    m_consoleModes.Restore();
    EndLogWithLastLine(lastLine, toConsole);
    ExitProcess(kControlCExitCode);
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
    const CControlGateHold hold;
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
                      errorText, CREATE_NEW_PROCESS_GROUP))
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
        if (AwaitFinished(request, libraryPath)) {
            const CControlGateHold hold;
            m_testing = 0;
            return true;
        }
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
    const CControlGateHold hold;
    SharedRunState& state = *m_section.Get();
    const uint32_t request = m_nextRequest++;
    m_requestPaths.push_back(libraryPath);
    CopyText(state.request.path, sizeof state.request.path, libraryPath);
    state.request.number.store(request);
    m_testing = request;
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
            if (m_givenUp)
                return false;
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
    const CControlGateHold hold;
    const uint32_t tested = m_testing;
    const uint32_t endedByOperator = m_endedByOperator;
    m_testing = 0;
    m_endedByOperator = 0;
    const CChildFacts facts(*m_section.Get(), m_firstRequest, m_requestPaths);
    if (endedByOperator != 0) {
        // The operator ended it: the test it was in (if it had not just
        // finished) is named, and the library counts as tested.
        if (endedByOperator == tested)
            PrintText(OperatorEndedTestLine(m_requestPaths[tested - m_firstRequest], m_endedIn), 0, false);
        tookRequest = true;
    } else {
        PrintText(ChildEndReport(facts, m_child->ExitCode()), 0, false);
        tookRequest = facts.Took(request);
    }
    // It has ended, or was given up: no more waiting for it.
    m_child->Close();
    m_child.reset();
    m_givenUp = false;
    m_consoleModes.Restore();
    return endedByOperator != 0 || facts.ReachedALibrary();
}

bool CChildLibraryTests::ReportEndedChild()
{
    bool tookRequest = false;
    return ReportEndedChild(0, tookRequest);
}

void CChildLibraryTests::Finish()
{
    // From here on, as after the run: a control event ends the program as
    // the system ends any.
    SetConsoleCtrlHandler(OnControlEvent, FALSE);
    if (m_inProcess) {
        m_inProcess->Finish();
        return;
    }
    BeforeSearchLine();
    if (m_child)
        EndChild(0);
    m_consoleModes.Restore();
}

void CChildLibraryTests::EndChild(DWORD code)
{
    const CControlGateHold hold;
    if (!m_child->Terminate(code, kChildEndMilliseconds))
        PrintText(NotEndedLine(), 0, false);
    m_child->Close();
    m_child.reset();
}

std::string CChildLibraryTests::NotEndedLine() const
{
    return "WARNING: the search process (process " + std::to_string(m_child->Id()) + ") has not ended " +
           std::to_string(kChildEndMilliseconds / 1000) + " s after it was ended; the run goes on without it\n";
}
