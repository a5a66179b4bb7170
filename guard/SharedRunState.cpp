#include "guard/SharedRunState.h"

namespace {

void Forget(FaultRecord& fault)
{
    fault.taken.store(0);
    fault.code.store(0);
    fault.address.store(0);
    fault.threadStart.store(0);
    fault.stackAddress.store(0);
}

void Forget(ExitRecord& exit)
{
    exit.seen.store(0);
    exit.threadId.store(0);
    exit.threadStart.store(0);
    exit.stackAddress.store(0);
    exit.endingThreadId.store(0);
}

void Forget(DeviceLibraryTable& libraries)
{
    libraries.added.store(0);
    for (LibraryEntry& entry : libraries.entries) {
        entry.state.store(kEntryEmpty);
        entry.base.store(0);
        entry.size.store(0);
        entry.request.store(0);
    }
}

}  // namespace

void ResetForNewChild(SharedRunState& state)
{
    state.magic = kSharedRunStateMagic;
    state.size = sizeof state;
    state.progress.taken.store(0);
    state.progress.finished.store(0);
    state.call.sequence.store(0);
    state.call.call.store(0);
    state.call.startTick.store(0);
    state.activity.store(kActivityNone);
    state.outputInterlock.store(0);
    Forget(state.fault);
    Forget(state.exit);
    Forget(state.libraries);
}

void CopyText(char* buffer, unsigned size, const char* text)
{
    if (size == 0)
        return;
    unsigned length = 0;
    while (text && text[length] && length + 1 < size) {
        buffer[length] = text[length];
        ++length;
    }
    buffer[length] = '\0';
}
