#include "guard/SearchIsolation.h"

#include "guard/ChildProcess.h"
#include "guard/CrashCapture.h"
#include "guard/CrashReport.h"
#include "guard/SharedSection.h"
#include "output/ConsoleLog.h"

#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kChildSwitch[] = "--search-child";

std::string ChildArguments(HANDLE section, void* log)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s %" PRIuPTR " %" PRIuPTR, kChildSwitch,
                  reinterpret_cast<std::uintptr_t>(section), reinterpret_cast<std::uintptr_t>(log));
    return text;
}

// Makes the state ready for the next child: the fault and the library under
// test of the last one are forgotten, the position is kept.
void ForgetEndedChild(SharedRunState& state)
{
    state.fault.taken.store(0);
    state.fault.code.store(0);
    state.fault.address.store(0);
    state.fault.threadStart.store(0);
    state.exit.seen.store(0);
    state.exit.threadStart.store(0);
    state.exit.threadId.store(0);
    state.testing.store(0);
    state.moduleUnderTest.store(0);
}

}  // namespace

bool RunSearchInChildren(bool& searched)
{
    searched = false;
    CSharedSection<SharedRunState> section;
    if (!section.Create())
        return false;
    SharedRunState& state = *section.Get();
    state.magic = kSharedRunStateMagic;
    void* const log = LogFileHandle();
    const std::string arguments = ChildArguments(section.Handle(), log);
    for (;;) {
        const uint32_t stepsBefore = state.position.steps.load();
        CChildProcess child;
        std::string error;
        if (!child.Start(arguments, {section.Handle(), static_cast<HANDLE>(log)}, error)) {
            if (stepsBefore == 0)
                return false;
            PrintText("ERROR: cannot start the search process again. " + error, 0, false);
            return true;
        }
        child.Wait(INFINITE);
        if (state.finished.load()) {
            searched = state.searched.load() != 0;
            return true;
        }
        PrintText(ChildEndReport(state, child.ExitCode()), 0, false);
        // A child that died before it started a single library would die
        // the same way again.
        if (state.position.steps.load() == stepsBefore)
            return true;
        ForgetEndedChild(state);
    }
}

bool CSearchChild::Attach(const char* commandLine)
{
    const char* const switchAt = commandLine ? std::strstr(commandLine, kChildSwitch) : nullptr;
    if (!switchAt)
        return false;
    std::uintptr_t section = 0;
    std::uintptr_t log = 0;
    if (std::sscanf(switchAt + sizeof kChildSwitch - 1, " %" SCNuPTR " %" SCNuPTR, &section, &log) != 2)
        return false;
    // Never unmapped: a library calling exit() runs the program's static
    // destructors, and the state is written after them, as the process ends.
    CSharedSection<SharedRunState>* const shared = new CSharedSection<SharedRunState>;
    if (!shared->Open(reinterpret_cast<HANDLE>(section)) || shared->Get()->magic != kSharedRunStateMagic ||
        !AdoptLogFile(reinterpret_cast<void*>(log))) {
        delete shared;
        return false;
    }
    m_state = shared->Get();
    InstallCrashCapture(*m_state);
    return true;
}

SearchPosition& CSearchChild::Position()
{
    return m_state->position;
}

void CSearchChild::Finish(bool searched)
{
    m_state->searched.store(searched ? 1 : 0);
    m_state->finished.store(1);
    TerminateProcess(GetCurrentProcess(), searched ? 0 : 1);
    for (;;)
        Sleep(INFINITE);
}
