#include "guard/LibraryTestChild.h"

#include "guard/CrashCapture.h"
#include "guard/LibraryUnderTest.h"
#include "guard/SharedSection.h"
#include "output/ConsoleLog.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

const char kChildSwitch[] = "--search-child";

void MakePrivate(HANDLE handle)
{
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
}

// Ctrl+C and Ctrl+Break are the parent's to act on: it ends this process
// when it decides to. A library's own handler, called first, may still end
// the process; the parent then reports what the operator did all the same.
BOOL WINAPI LeaveInterruptsToTheParent(DWORD event)
{
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

}  // namespace

std::string LibraryTestChildArguments(HANDLE section, void* log, HANDLE request, HANDLE finished)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s %" PRIuPTR " %" PRIuPTR " %" PRIuPTR " %" PRIuPTR, kChildSwitch,
                  reinterpret_cast<std::uintptr_t>(section), reinterpret_cast<std::uintptr_t>(log),
                  reinterpret_cast<std::uintptr_t>(request), reinterpret_cast<std::uintptr_t>(finished));
    return text;
}

CLibraryTestChild::Role CLibraryTestChild::Attach(const char* commandLine)
{
    const char* const switchAt = commandLine ? std::strstr(commandLine, kChildSwitch) : nullptr;
    if (!switchAt)
        return kNotAChild;
    std::uintptr_t handles[4] = {};
    if (std::sscanf(switchAt + sizeof kChildSwitch - 1, " %" SCNuPTR " %" SCNuPTR " %" SCNuPTR " %" SCNuPTR,
                    &handles[0], &handles[1], &handles[2], &handles[3]) != 4)
        return kBrokenChild;
    for (const std::uintptr_t handle : handles)
        MakePrivate(reinterpret_cast<HANDLE>(handle));
    // Never unmapped: a library calling exit() runs the program's static
    // destructors, and the state is written after them, as the process ends.
    CSharedSection<SharedRunState>* const shared = new CSharedSection<SharedRunState>;
    if (!shared->Open(reinterpret_cast<HANDLE>(handles[0])) || shared->Get()->magic != kSharedRunStateMagic ||
        shared->Get()->size != sizeof(SharedRunState) || !AdoptLogFile(reinterpret_cast<void*>(handles[1]))) {
        delete shared;
        return kBrokenChild;
    }
    m_state = shared->Get();
    m_request = reinterpret_cast<HANDLE>(handles[2]);
    m_finished = reinterpret_cast<HANDLE>(handles[3]);
    ShareOutputWith(&m_state->outputInterlock);
    InstallCrashCapture(*m_state);
    SetConsoleCtrlHandler(LeaveInterruptsToTheParent, TRUE);
    return kChild;
}

void CLibraryTestChild::Serve(LibraryTest test)
{
    char path[kSharedPathChars];
    for (;;) {
        WaitForSingleObject(m_request, INFINITE);
        const uint32_t request = m_state->request.number.load();
        if (request == 0 || request == m_state->progress.finished.load())
            continue;
        std::memcpy(path, m_state->request.path, sizeof path);
        path[sizeof path - 1] = '\0';
        m_state->progress.taken.store(request);
        {
            const CLibraryUnderTest underTest(path, request);
            test(path);
        }
        m_state->progress.finished.store(request);
        SetEvent(m_finished);
    }
}
