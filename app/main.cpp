// Entry of TavroProbe: sets up the application framework, runs the tests and
// turns their outcome into the exit code. The log is closed last, on every
// way out. The same program file is also the search child that the run
// starts (see guard/SearchIsolation.h).
#include "app/AppFramework.h"
#include "app/RunSequence.h"
#include "guard/SearchIsolation.h"
#include "guard/TimerExceptions.h"
#include "guard/Watchdog.h"
#include "output/ConsoleLog.h"

#include <windows.h>

#include <cstdio>

namespace {

// Closes the log (and holds the console open) when the entry returns.
class CLogCloser {
public:
    CLogCloser() = default;
    ~CLogCloser() { CloseLogFile(); }
    CLogCloser(const CLogCloser&) = delete;
    CLogCloser& operator=(const CLogCloser&) = delete;
};

[[noreturn]] void RunSearchChild(CSearchChild& child)
{
    // The operator's answers are read a byte at a time, so that a child
    // that dies leaves the answers meant for later libraries to the next.
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    InitApplicationFramework(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), 0);
    KeepTimerExceptionsUnhandled();
    // Before any library is loaded: a library that hangs in DllMain holds
    // the loader's lock, which a new thread needs.
    StartWatchdog();
    child.Finish(SearchFolders(child.Position()));
}

}  // namespace

int main()
{
    CSearchChild child;
    if (child.Attach(GetCommandLineA()))
        RunSearchChild(child);

    CLogCloser closeLogOnExit;
    if (!InitApplicationFramework(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), 0))
        PrintText("ERROR: MFC initialization failed\n", 0, false);
    return RunTests() ? 0 : 1;
}
