#include "check/checks/LibraryCalls.h"

CLibraryCalls::CLibraryCalls(CCheckRecorder& recorder) : m_recorder(recorder)
{
}

bool CLibraryCalls::Bind(const Resolver& resolve)
{
    return m_procedures.Bind(resolve);
}

bool CLibraryCalls::HasVersion() const
{
    return m_procedures.Has(TavroProc_GetDeviceLibraryVersion);
}

uint32_t CLibraryCalls::GetDeviceLibraryVersion()
{
    return Call<TavroProc_GetDeviceLibraryVersion>();
}

void CLibraryCalls::GetDeviceName(char* buffer, int32_t size)
{
    Call<TavroProc_GetDeviceName>(buffer, size);
}

int32_t CLibraryCalls::GetNumberOfComponents()
{
    return Call<TavroProc_GetNumberOfComponents>();
}

void CLibraryCalls::GetComponentName(int32_t index, char* buffer, int32_t size)
{
    Call<TavroProc_GetComponentName>(index, buffer, size);
}

void CLibraryCalls::GetComponentUnits(int32_t index, char* buffer, int32_t size)
{
    Call<TavroProc_GetComponentUnits>(index, buffer, size);
}

int32_t CLibraryCalls::GetComponentDataType(int32_t index)
{
    return Call<TavroProc_GetComponentDataType>(index);
}

int32_t CLibraryCalls::GetComponentDataPrecision(int32_t index)
{
    return Call<TavroProc_GetComponentDataPrecision>(index);
}

void CLibraryCalls::PrepareExperiment()
{
    Call<TavroProc_PrepareExperiment>();
}

void CLibraryCalls::StartExperiment()
{
    Call<TavroProc_StartExperiment>();
}

const TavroDataRecord* CLibraryCalls::GetLastData()
{
    return Call<TavroProc_GetLastData>();
}

int32_t CLibraryCalls::GetAvailableDataCount()
{
    return Call<TavroProc_GetAvailableDataCount>();
}

const TavroDataRecord* CLibraryCalls::GetData(int32_t count)
{
    return Call<TavroProc_GetData>(count);
}

void CLibraryCalls::StopExperiment()
{
    Call<TavroProc_StopExperiment>();
}

void CLibraryCalls::SetCallbackInfo(TavroStateCallback callback, void* context)
{
    Call<TavroProc_SetCallbackInfo>(callback, context);
}
