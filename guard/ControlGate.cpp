#include "guard/ControlGate.h"

#include <windows.h>

namespace {

CRITICAL_SECTION& Gate()
{
    static CRITICAL_SECTION* const gate = [] {
        CRITICAL_SECTION* section = new CRITICAL_SECTION;
        InitializeCriticalSection(section);
        return section;
    }();
    return *gate;
}

BOOL WINAPI WaitAtGate(DWORD)
{
    EnterCriticalSection(&Gate());
    LeaveCriticalSection(&Gate());
    return FALSE;
}

}  // namespace

CControlGateHold::CControlGateHold()
{
    EnterCriticalSection(&Gate());
}

CControlGateHold::~CControlGateHold()
{
    LeaveCriticalSection(&Gate());
}

void StopControlEventsAtGate()
{
    // Handlers are called newest first: one registered later (the
    // program's own) takes the gate itself.
    static const bool registered = SetConsoleCtrlHandler(WaitAtGate, TRUE) != FALSE;
    (void)registered;
}
