#include "check/child/ChildState.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

std::atomic<ChildState*> g_state(nullptr);

}  // namespace

ChildState* PublishedChildState()
{
    return g_state.load();
}

void PublishChildState(ChildState* state)
{
    g_state.store(state);
}

void NoteCall(const char* name)
{
    ChildState* const state = g_state.load();
    if (!state)
        return;
    const size_t length = name ? std::min(std::strlen(name), sizeof state->call - 1) : 0;
    std::memcpy(state->call, name ? name : "", length);
    state->call[length] = '\0';
    // After the name: the parent that sees the new count reads the new name.
    if (name)
        InterlockedIncrement(reinterpret_cast<volatile LONG*>(&state->callCount));
}

void NoteLentBuffer(const void* guardPage, size_t pageSize, int32_t bufferSize)
{
    ChildState* const state = g_state.load();
    if (!state)
        return;
    state->guardBegin = reinterpret_cast<uintptr_t>(guardPage);
    state->guardEnd = state->guardBegin + pageSize;
    state->bufferSize = bufferSize;
}

void NoteBufferReturned()
{
    ChildState* const state = g_state.load();
    if (state)
        state->bufferSize = 0;
}

void NotePendingTrace(const char* line)
{
    ChildState* const state = g_state.load();
    if (!state)
        return;
    const size_t length = std::min(std::strlen(line), sizeof state->pendingTrace - 1);
    std::memcpy(state->pendingTrace, line, length);
    state->pendingTrace[length] = '\0';
}
