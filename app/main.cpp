// Entry of TavroProbe: sets up the application framework, runs the tests and
// turns their outcome into the exit code. The log is closed last, on every
// way out. The same program file is also the child that tests the libraries
// one at a time for the run (see guard/ChildLibraryTests.h).
#include "app/AppFramework.h"
#include "app/LibraryProbe.h"
#include "app/RunSequence.h"
#include "guard/LibraryTestChild.h"
#include "guard/TimerExceptions.h"
#include "output/ConsoleLog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// Closes the log (and holds the console open) when the entry returns.
class CLogCloser {
public:
    CLogCloser() = default;
    ~CLogCloser() { CloseLogFile(); }
    CLogCloser(const CLogCloser&) = delete;
    CLogCloser& operator=(const CLogCloser&) = delete;
};

[[noreturn]] void ServeAsChild(CLibraryTestChild& child)
{
    // The operator's answers are read a byte at a time, so that a child
    // that dies leaves the answers meant for later libraries to the next.
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    InitApplicationFramework(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), 0);
    KeepTimerExceptionsUnhandled();
    child.Serve(TestDeviceLibrary);
}

// The program takes no arguments but this one, which tests the libraries
// in its own process; any other is ignored.
bool InProcessAsked(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--in-process") == 0)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    CLibraryTestChild child;
    switch (child.Attach(GetCommandLineA())) {
    case CLibraryTestChild::kChild:
        ServeAsChild(child);
    case CLibraryTestChild::kBrokenChild:
        // The parent reports a child that got nowhere.
        return 1;
    case CLibraryTestChild::kNotAChild:
        break;
    }

    CLogCloser closeLogOnExit;
    if (!InitApplicationFramework(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), 0))
        PrintText("ERROR: MFC initialization failed\n", 0, false);
    return RunTests(InProcessAsked(argc, argv)) ? 0 : 1;
}
