// TavroCheck: checks Tavro device libraries against the rules of the
// device-library interface, for library writers and their CI.
//
//   TavroCheck [--time SECONDS] [--junit FILE] [--json FILE] LIBRARY.dll...
#include "check/CheckSession.h"
#include "check/LibraryChecker.h"
#include "check/Watchdog.h"
#include "check/Win32CheckPlatform.h"

#include <windows.h>

#include <iostream>

int main(int argc, char** argv)
{
    CheckOptions options;
    const int usage = ParseCommandLine(argc, argv, options, std::cout, std::cerr);
    if (usage >= 0)
        return usage;
    // No system dialogue for a library that cannot be loaded.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    CCheckRecorder recorder;
    CCheckSession session(options, recorder, std::cout);
    CWatchdog watchdog(recorder, [&session](const std::string& note) { session.Finish(note); });
    CWin32CheckPlatform platform;
    CLibraryChecker checker(platform, recorder, CheckTimes::ForBound(options.seconds));
    for (const std::string& library : options.libraries) {
        checker.Check(library);
        session.PrintFinished();
    }
    return session.Finish(std::string());
}
