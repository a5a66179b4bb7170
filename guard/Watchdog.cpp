#include "guard/Watchdog.h"

#include "guard/CrashCapture.h"
#include "guard/LibraryCallWatch.h"
#include "guard/LibraryUnderTest.h"
#include "guard/RunningThread.h"
#include "output/ConsoleLog.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const uint32_t kFirstWarningMs = 30 * 1000;
const DWORD kStopWaitMilliseconds = 2000;

HANDLE g_stopWatching = nullptr;
HANDLE g_watchdogThread = nullptr;

DWORD WINAPI WatchLibraryCalls(void*)
{
    CLibraryCallWatch watch(FirstWarningMs());
    std::string warning;
    do {
        if (watch.DueWarning(CapturedRunState().call, LibraryUnderTestPath(), GetTickCount(), warning))
            PrintText(warning, 0, false);
    } while (WaitForSingleObject(g_stopWatching, kWatchLookMilliseconds) == WAIT_TIMEOUT);
    return 0;
}

}  // namespace

uint32_t FirstWarningMs()
{
    return FirstWarningMs(std::getenv("TAVRO_TEST_HANG_SECONDS"));
}

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
    if (g_watchdogThread)
        return;
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
    CloseHandle(g_stopWatching);
    g_watchdogThread = nullptr;
    g_stopWatching = nullptr;
}
