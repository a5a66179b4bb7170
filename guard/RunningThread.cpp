#include "guard/RunningThread.h"

namespace {

struct ThreadStart {
    LPTHREAD_START_ROUTINE body;
    HANDLE running;
};

DWORD WINAPI RunBody(void* parameter)
{
    ThreadStart* const start = static_cast<ThreadStart*>(parameter);
    const LPTHREAD_START_ROUTINE body = start->body;
    SetEvent(start->running);
    return body(nullptr);
}

}  // namespace

HANDLE StartRunningThread(LPTHREAD_START_ROUTINE body)
{
    ThreadStart start = {body, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (!start.running)
        return nullptr;
    const HANDLE thread = CreateThread(nullptr, 0, RunBody, &start, 0, nullptr);
    if (thread)
        WaitForSingleObject(start.running, INFINITE);
    CloseHandle(start.running);
    return thread;
}
