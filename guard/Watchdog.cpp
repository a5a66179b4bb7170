#include "guard/Watchdog.h"

#include "output/ConsoleLog.h"
#include "guard/LibraryCallWatch.h"
#include "guard/RunningThread.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const uint32_t kFirstWarningMs = 30 * 1000;
const DWORD kCheckMilliseconds = 250;
const DWORD kStopWaitMilliseconds = 2000;

CLibraryCallWatch g_libraryCalls(FirstWarningMs(std::getenv("TAVRO_TEST_HANG_SECONDS")));
HANDLE g_stopWatching = nullptr;
HANDLE g_watchdogThread = nullptr;

DWORD WINAPI WatchLibraryCalls(void*)
{
    std::string warning;
    while (WaitForSingleObject(g_stopWatching, kCheckMilliseconds) == WAIT_TIMEOUT) {
        if (g_libraryCalls.DueWarning(GetTickCount(), warning))
            PrintText(warning, 0, false);
    }
    return 0;
}

}  // namespace

uint32_t FirstWarningMs(const char* seconds)
{
    if (!seconds || !*seconds)
        return kFirstWarningMs;
    char* end = nullptr;
    const long value = std::strtol(seconds, &end, 10);
    if (*end != '\0' || value < 1 || value > 30)
        return kFirstWarningMs;
    return static_cast<uint32_t>(value) * 1000;
}

void StartWatchdog()
{
    g_stopWatching = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_stopWatching)
        g_watchdogThread = StartRunningThread(WatchLibraryCalls);
}

void StopWatchdog()
{
    if (!g_watchdogThread)
        return;
    SetEvent(g_stopWatching);
    WaitForSingleObject(g_watchdogThread, kStopWaitMilliseconds);
    CloseHandle(g_watchdogThread);
    g_watchdogThread = nullptr;
}

CLibraryCall::CLibraryCall(const char* library, const char* call)
{
    g_libraryCalls.Begin(library, call, GetTickCount());
}

CLibraryCall::~CLibraryCall()
{
    g_libraryCalls.End();
}
