// Tests each device library in a child process of the program's own file, so
// that nothing a library does (a fault, a fail-fast, ending the process)
// ends the run. The parent owns every guarantee: it sends the child one
// library at a time and waits for it; it alone prints the warnings about a
// call that has not returned, from what the child records of the call in
// progress; when the child ends before it finished a library, the parent
// reports it from the facts the child left (CChildFacts) and starts a new
// child for the next library. The search itself (which folder, which file)
// runs in the parent, so a child's death can neither repeat nor skip a line
// or a library. A normal run has one child, and the console and the log
// read as they would without it.
//
// The operator's way out: the child starts in a process group of its own,
// so only the parent decides what a Ctrl+C or Ctrl+Break does (see
// ControlEvents.h): while the program waits for a library it ends that
// library's test and the run goes on; at a question, or between libraries,
// it ends the run. A closed console ends the run with a last line in the
// log. The console's modes are put back after every child that ended early.
#pragma once

#include "guard/ChildProcess.h"
#include "guard/ConsoleModes.h"
#include "guard/InProcessLibraryTests.h"
#include "guard/LibraryTester.h"
#include "guard/OwnedHandle.h"
#include "guard/SharedRunState.h"
#include "guard/SharedSection.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CChildLibraryTests : public I_LibraryTester {
public:
    // inProcessTest is what runs where the system refuses to start a child
    // at all (a program path too long for it, say).
    explicit CChildLibraryTests(LibraryTest inProcessTest);
    ~CChildLibraryTests() override;
    CChildLibraryTests(const CChildLibraryTests&) = delete;
    CChildLibraryTests& operator=(const CChildLibraryTests&) = delete;

    void BeforeSearchLine() override;
    bool Test(const char* libraryPath) override;
    void Finish() override;

private:
    // The control handler's part, on the thread the system runs it on.
    static BOOL WINAPI OnControlEvent(DWORD event);
    BOOL HandleControlEvent(DWORD event);
    // Ends the run now: the child, one last line, the log; no pause.
    [[noreturn]] void EndRun(const std::string& lastLine, bool toConsole);

    bool CreateShared();
    bool StartChild(std::string& errorText);
    uint32_t SendRequest(const char* libraryPath);
    // True once the child has finished request; false when it ended before.
    bool AwaitFinished(uint32_t request, const std::string& libraryPath);
    // Prints the report on a child that ended on its own and forgets it.
    // False when it did not get as far as a library (it would end the same
    // way again); request tells whether it took that request.
    bool ReportEndedChild(uint32_t request, bool& tookRequest);
    bool ReportEndedChild();
    // Ends the child and forgets it; one that outlives the wait is named.
    void EndChild(DWORD code);
    // The line naming a child that has not ended after the wait.
    std::string NotEndedLine() const;

    LibraryTest m_inProcessTest;
    std::unique_ptr<CInProcessLibraryTests> m_inProcess;
    CSharedSection<SharedRunState> m_section;
    COwnedHandle m_request;
    COwnedHandle m_finished;
    std::unique_ptr<CChildProcess> m_child;
    bool m_startedOne = false;
    uint32_t m_nextRequest = 1;
    // The paths of the current child's requests, the first numbered
    // m_firstRequest: the parent's own copies, for naming them.
    uint32_t m_firstRequest = 1;
    std::vector<std::string> m_requestPaths;
    // The request under test, 0 while none is (read by the control handler).
    uint32_t m_testing = 0;
    // The test the operator ended, and in what.
    uint32_t m_endedByOperator = 0;
    std::string m_endedIn;
    // The child the operator ended has not ended within the wait.
    bool m_givenUp = false;
    CConsoleModes m_consoleModes;
};
