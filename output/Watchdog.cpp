#include "output/Watchdog.h"

#include "output/ConsoleLog.h"
#include "output/LibraryCallWatch.h"
#include "output/RunningThread.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const uint32_t kFirstWarningMs = 30 * 1000;
const DWORD kCheckMilliseconds = 250;

uint32_t FirstWarningMs()
{
    const char* const seconds = std::getenv("TAVRO_TEST_HANG_SECONDS");
    if (!seconds)
        return kFirstWarningMs;
    const long value = std::strtol(seconds, nullptr, 10);
    return value >= 1 && value <= 30 ? static_cast<uint32_t>(value) * 1000 : kFirstWarningMs;
}

CLibraryCallWatch g_libraryCalls(FirstWarningMs());

DWORD WINAPI WatchLibraryCalls(void*)
{
    std::string warning;
    for (;;) {
        Sleep(kCheckMilliseconds);
        if (g_libraryCalls.DueWarning(GetTickCount(), warning))
            PrintText(warning, 0, false);
    }
}

}  // namespace

void StartWatchdog()
{
    const HANDLE thread = StartRunningThread(WatchLibraryCalls);
    if (thread)
        CloseHandle(thread);
}

CLibraryCall::CLibraryCall(const char* library, const char* call)
{
    g_libraryCalls.Begin(library, call, GetTickCount());
}

CLibraryCall::~CLibraryCall()
{
    g_libraryCalls.End();
}
