// Entry of TavroProbe: sets up the application framework, runs the tests and
// turns their outcome into the exit code. The log is closed last, on every
// way out.
#include "app/AppFramework.h"
#include "app/RunSequence.h"
#include "output/ConsoleLog.h"
#include "guard/CrashReport.h"
#include "guard/Watchdog.h"

#include <windows.h>

namespace {

// Closes the log (and holds the console open) when the entry returns.
class CLogCloser {
public:
    CLogCloser() = default;
    ~CLogCloser() { CloseLogFile(); }
    CLogCloser(const CLogCloser&) = delete;
    CLogCloser& operator=(const CLogCloser&) = delete;
};

}  // namespace

int main()
{
    InstallCrashReport();
    StartWatchdog();
    CLogCloser closeLogOnExit;
    if (!InitApplicationFramework(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), 0))
        PrintText("ERROR: MFC initialization failed\n", 0, false);
    const bool searched = RunTests();
    // Every library is unloaded by now: the process ends (after the closing
    // pause) with its main thread alone.
    StopWatchdog();
    StopCrashReportThread();
    return searched ? 0 : 1;
}
