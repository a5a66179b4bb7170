#include "guard/LibraryHooks.h"

#include "guard/CrashCapture.h"
#include "guard/DeviceLibraryRegistry.h"
#include "guard/LibraryCallWatch.h"
#include "guard/LibraryUnderTest.h"

#include <windows.h>

const char* LibraryCallName(int call)
{
    switch (call) {
    case kCallLoading:
        return "loading";
    case kCallUnloading:
        return "unloading";
    case kCallWindowMessage:
        return "a window message";
    default:
        return call >= 0 && call < TAVRO_PROCEDURE_COUNT ? GetProcedureName(call) : nullptr;
    }
}

CLibraryCall::CLibraryCall(int call)
{
    CLibraryCallRecorder(CapturedRunState().call).Begin(call, GetTickCount());
}

CLibraryCall::~CLibraryCall()
{
    CLibraryCallRecorder(CapturedRunState().call).End();
}

CWaitingFor::CWaitingFor(What what)
    : m_before(CapturedRunState().activity.exchange(what == kOperator ? kActivityQuestion : kActivityAcquisition))
{
}

CWaitingFor::~CWaitingFor()
{
    CapturedRunState().activity.store(m_before);
}

void NoteLibraryLoaded(void* module)
{
    AddDeviceLibrary(module, LibraryUnderTestRequest());
}

void NoteLibraryFreed(void* module)
{
    MarkDeviceLibraryFreed(module);
}
