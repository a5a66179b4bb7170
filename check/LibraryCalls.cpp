#include "check/LibraryCalls.h"

CLibraryCalls::CLibraryCalls(CCheckRecorder& recorder) : m_recorder(recorder), m_procedures()
{
}

bool CLibraryCalls::Bind(const Resolver& resolve)
{
    bool complete = true;
    for (int id = 0; id < TAVRO_PROCEDURE_COUNT; ++id) {
        m_procedures[id] = resolve(GetProcedureName(id));
        if (!m_procedures[id] && id != TavroProc_GetDeviceLibraryVersion)
            complete = false;
    }
    return complete;
}

bool CLibraryCalls::HasVersion() const
{
    return m_procedures[TavroProc_GetDeviceLibraryVersion] != nullptr;
}

uint32_t CLibraryCalls::GetDeviceLibraryVersion()
{
    return Call<TavroGetDeviceLibraryVersionProc>(TavroProc_GetDeviceLibraryVersion);
}

void CLibraryCalls::GetDeviceName(char* buffer, int32_t size)
{
    CallVoid<TavroGetDeviceNameProc>(TavroProc_GetDeviceName, buffer, size);
}

int32_t CLibraryCalls::GetNumberOfComponents()
{
    return Call<TavroGetNumberOfComponentsProc>(TavroProc_GetNumberOfComponents);
}

void CLibraryCalls::GetComponentName(int32_t index, char* buffer, int32_t size)
{
    CallVoid<TavroGetComponentNameProc>(TavroProc_GetComponentName, index, buffer, size);
}

void CLibraryCalls::GetComponentUnits(int32_t index, char* buffer, int32_t size)
{
    CallVoid<TavroGetComponentUnitsProc>(TavroProc_GetComponentUnits, index, buffer, size);
}

int32_t CLibraryCalls::GetComponentDataType(int32_t index)
{
    return Call<TavroGetComponentDataTypeProc>(TavroProc_GetComponentDataType, index);
}

int32_t CLibraryCalls::GetComponentDataPrecision(int32_t index)
{
    return Call<TavroGetComponentDataPrecisionProc>(TavroProc_GetComponentDataPrecision, index);
}

void CLibraryCalls::PrepareExperiment()
{
    CallVoid<TavroPrepareExperimentProc>(TavroProc_PrepareExperiment);
}

void CLibraryCalls::StartExperiment()
{
    CallVoid<TavroStartExperimentProc>(TavroProc_StartExperiment);
}

const TavroDataRecord* CLibraryCalls::GetLastData()
{
    return Call<TavroGetLastDataProc>(TavroProc_GetLastData);
}

int32_t CLibraryCalls::GetAvailableDataCount()
{
    return Call<TavroGetAvailableDataCountProc>(TavroProc_GetAvailableDataCount);
}

const TavroDataRecord* CLibraryCalls::GetData(int32_t count)
{
    return Call<TavroGetDataProc>(TavroProc_GetData, count);
}

void CLibraryCalls::StopExperiment()
{
    CallVoid<TavroStopExperimentProc>(TavroProc_StopExperiment);
}

void CLibraryCalls::SetCallbackInfo(TavroStateCallback callback, void* context)
{
    CallVoid<TavroSetCallbackInfoProc>(TavroProc_SetCallbackInfo, callback, context);
}
