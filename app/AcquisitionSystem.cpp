#include "app/AcquisitionSystem.h"

#include "app/AnswerReader.h"
#include "guard/LibraryHooks.h"

#include <windows.h>

namespace {

const DWORD kIdleSleepMilliseconds = 100;

}  // namespace

std::string CWin32AcquisitionSystem::ReadLine()
{
    // One for the process: once the input has ended, every later answer is
    // empty.
    static CStandardInput* const input = new CStandardInput;
    return ReadAnswerLine(*input);
}

uint32_t CWin32AcquisitionSystem::TickCount()
{
    return GetTickCount();
}

void CWin32AcquisitionSystem::PumpMessageOrSleep()
{
    ::PumpMessageOrSleep();
}

void PumpMessageOrSleep()
{
    bool handled = false;
    {
        // PeekMessage itself delivers messages sent from other threads, and
        // the message's window procedure or timer callback may be the
        // library's: both are watched.
        const CLibraryCall call(kCallWindowMessage);
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
            handled = true;
        }
    }
    if (!handled)
        Sleep(kIdleSleepMilliseconds);
}
