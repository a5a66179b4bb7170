// TavroCheck: checks Tavro device libraries against the rules of the
// device-library interface, for library writers and their CI.
//
//   TavroCheck [--time SECONDS] [--soak SECONDS] [--only ID]... [--skip ID]... [--repeat N] [--quiet]
//              [--junit FILE] [--json FILE] [--trace FILE] [--in-process] LIBRARY.dll...
//   TavroCheck --list
//
// Each library is checked in child processes of this program (started with
// the hidden --child), so that whatever a library does, every library is
// checked and the reports are written.
#include "check/checks/LibraryChecker.h"
#include "check/checks/Win32CheckPlatform.h"
#include "check/child/CheckingChild.h"
#include "check/child/IsolatedChecker.h"
#include "check/recording/CallTrace.h"
#include "check/recording/CheckSession.h"
#include "guard/ChildProcessSystem.h"
#include "guard/StackReserve.h"
#include "guard/TimerExceptions.h"
#include "output/ConsoleStreamBuffer.h"
#include "output/Win32Console.h"

#include <windows.h>

#include <cstdio>
#include <ostream>

namespace {

// In a checking child: checks the one library, telling the parent.
int CheckInChild(const CheckOptions& options)
{
    CCheckingChild child(options.child);
    if (!child.Valid() || options.libraries.size() != 1)
        return 2;
    // Room to report a stack overflow on the thread that calls the library.
    ReserveStackForReports();
    CCheckRecorder recorder;
    CCallTrace trace(options.trace);
    if (!options.trace.empty())
        recorder.SetTrace(&trace);
    recorder.SetListener(&child);
    recorder.SetEndedElsewhere(child.EndedElsewhere());
    CWin32CheckPlatform platform;
    CLibraryChecker(platform, recorder, CheckTimes::ForBound(options.seconds, options.soak))
        .Check(options.libraries[0]);
    child.Done();
    return 0;
}

// Checks every library, round after round, with checker (a CLibraryChecker
// or a CIsolatedChecker).
template <class Checker>
void CheckEveryRound(Checker& checker, const CheckOptions& options, CCheckRecorder& recorder, CCheckSession& session)
{
    for (int round = 1; round <= options.repeat; ++round) {
        recorder.SetRound(round, options.repeat);
        for (const std::string& library : options.libraries) {
            checker.Check(library);
            session.PrintFinished();
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // On a console, the table shows a library's ANSI texts as the characters
    // they are; a pipe or a file gets the bytes.
    CWin32Console console;
    CConsoleStreamBuffer outBuffer(stdout, CConsoleWriter(console));
    CConsoleStreamBuffer errBuffer(stderr, CConsoleWriter(console));
    std::ostream out(&outBuffer);
    std::ostream err(&errBuffer);
    CheckOptions options;
    const int usage = ParseCommandLine(argc, argv, options, out, err);
    if (usage >= 0)
        return usage;
    // No system dialogue for a library that cannot be loaded, nor, in a
    // checking child, for a fault, and no error report that holds the
    // child; added to the mode the process inherited.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (!options.child.empty())
        QuietFaultReporting();
    KeepTimerExceptionsUnhandled();
    if (!options.child.empty())
        return CheckInChild(options);

    if (!options.trace.empty() && !CCallTrace::Create(options.trace)) {
        err << "TavroCheck: cannot write the trace file " << options.trace << "\n";
        return 2;
    }
    CCheckRecorder recorder;
    CCheckSession session(options, recorder, out);
    if (options.inProcess) {
        // In checking children each child writes its own calls.
        CCallTrace trace(options.trace);
        if (!options.trace.empty())
            recorder.SetTrace(&trace);
        CWin32CheckPlatform platform;
        CLibraryChecker checker(platform, recorder, CheckTimes::ForBound(options.seconds, options.soak));
        CheckEveryRound(checker, options, recorder, session);
    } else {
        CIsolatedChecker checker(recorder, options, err);
        CheckEveryRound(checker, options, recorder, session);
    }
    return session.Finish();
}
