#include "device/TavroDLLBasedDevice.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Size of every text buffer lent to a library.
const int32_t kTextBufferSize = 256;

// Lends a cleared buffer to the library and reads back at most 255
// characters, so a library that fills the whole buffer without a NUL cannot
// make the host read past it.
template <class Fill>
std::string ReadLibraryText(Fill fill)
{
    char buffer[kTextBufferSize] = {};
    fill(buffer, kTextBufferSize);
    const char* const end = std::find(buffer, buffer + kTextBufferSize - 1, '\0');
    return std::string(static_cast<const char*>(buffer), end);
}

}  // namespace

CTavroDLLBasedDevice::CTavroDLLBasedDevice(const std::string& libraryPath)
    : m_libraryPath(libraryPath), m_version(0), m_initialized(false), m_state(0)
{
}

CTavroDLLBasedDevice::~CTavroDLLBasedDevice()
{
    // After this call the library must not call back: the device is going.
    // The library itself is unloaded when m_module goes.
    if (m_module.IsLoaded() && m_initialized) {
        try {
            SetCallbackInfo(nullptr, nullptr);
        } catch (...) {
            // A destructor must not throw; the library is unloaded all the same.
        }
    }
}

void CTavroDLLBasedDevice::LoadDeviceLibrary()
{
    std::string errorText;
    if (!m_module.Load(m_libraryPath, errorText))
        throw std::runtime_error("Error: failed to load Tavro library. " + m_libraryPath + " " +
                                 errorText);
    // Identifier 10 is looked up before 9: a library lacking both is
    // reported as lacking Tavro_GetAvailableDataCount.
    const int missing = m_procedures.BindUntilMissing([this](const char* name) { return m_module.Export(name); });
    if (missing != TAVRO_PROCEDURE_COUNT)
        throw std::runtime_error(std::string("Error: procedure ") + GetProcedureName(missing) +
                                 " is not implemented in Tavro device library " + m_libraryPath);
}

TavroProcAddress CTavroDLLBasedDevice::GetProcedure(TavroProcedureId id)
{
    const TavroProcAddress address = m_procedures.Address(id);
    if (!address)
        throw std::runtime_error("Error: unknown procedure in Tavro device library " + m_libraryPath);
    return address;
}

void CTavroDLLBasedDevice::SetCallbackInfo(TavroStateCallback callback, void* context)
{
    Invoke<TavroProc_SetCallbackInfo>(callback, context);
}

void CTavroDLLBasedDevice::ReadDeviceInfo()
{
    try {
        m_version = Invoke<TavroProc_GetDeviceLibraryVersion>();
    } catch (...) {
        m_version = 0;
    }
    m_deviceName = ReadLibraryText([&](char* buffer, int32_t size) {
        Invoke<TavroProc_GetDeviceName>(buffer, size);
    });
    if (m_deviceName.empty())
        throw std::runtime_error("Error: cannot get Tavro device name from " + m_libraryPath + ".");
}

void CTavroDLLBasedDevice::ReadComponents()
{
    const int32_t count = Invoke<TavroProc_GetNumberOfComponents>();
    for (int32_t i = 0; i < count; ++i) {
        const std::string index = std::to_string(i);
        const std::string name = ReadLibraryText([&](char* buffer, int32_t size) {
            Invoke<TavroProc_GetComponentName>(i, buffer, size);
        });
        if (name.empty())
            throw std::runtime_error("Error: cannot get Tavro component name for component index " + index);
        const std::string units = ReadLibraryText([&](char* buffer, int32_t size) {
            Invoke<TavroProc_GetComponentUnits>(i, buffer, size);
        });
        const int32_t type = Invoke<TavroProc_GetComponentDataType>(i);
        if (type <= 0 || type > 7)
            throw std::runtime_error("Error: cannot get Tavro component data type for component index " +
                                     index);
        const int32_t precision = Invoke<TavroProc_GetComponentDataPrecision>(i);
        if (precision < 0)
            throw std::runtime_error(
                "Error: cannot get Tavro component data precision for component index " + index);
        m_components.push_back(boost::shared_ptr<CTavroComponentInfo>(
            new CTavroComponentInfo(name, units, type, precision, i)));
    }
}

uint32_t CTavroDLLBasedDevice::GetLibraryVersion()
{
    return m_version;
}

std::string CTavroDLLBasedDevice::GetDeviceName()
{
    return m_deviceName;
}

int32_t CTavroDLLBasedDevice::GetNumberOfComponents()
{
    return static_cast<int32_t>(m_components.size());
}

void CTavroDLLBasedDevice::UpdateComponentUnits()
{
    for (std::size_t i = 0; i < m_components.size(); ++i) {
        const int32_t index = static_cast<int32_t>(i);
        const std::string units = ReadLibraryText([&](char* buffer, int32_t size) {
            Invoke<TavroProc_GetComponentUnits>(index, buffer, size);
        });
        if (units.empty())
            throw std::runtime_error("Error: cannot get Tavro component units for device " +
                                     m_deviceName + ".");
        m_components[i]->SetUnits(units);
    }
}

void CTavroDLLBasedDevice::UpdateComponentPrecision()
{
    for (std::size_t i = 0; i < m_components.size(); ++i) {
        const int32_t precision = Invoke<TavroProc_GetComponentDataPrecision>(static_cast<int32_t>(i));
        m_components[i]->SetPrecision(precision < 0 ? 0 : precision);
    }
}

void CTavroDLLBasedDevice::PrepareExperiment()
{
    Invoke<TavroProc_PrepareExperiment>();
}

bool CTavroDLLBasedDevice::IsReady()
{
    return m_state.load(std::memory_order_relaxed) == TAVRO_STATE_READY;
}

void CTavroDLLBasedDevice::StartExperiment()
{
    Invoke<TavroProc_StartExperiment>();
}

void CTavroDLLBasedDevice::GetLastData(std::vector<DataRecord>& records)
{
    AppendRecord(Invoke<TavroProc_GetLastData>(), records);
}

void CTavroDLLBasedDevice::GetData(std::vector<DataRecord>& records)
{
    Invoke<TavroProc_GetAvailableDataCount>();
    AppendRecord(Invoke<TavroProc_GetData>(1), records);
}

void CTavroDLLBasedDevice::StopExperiment()
{
    Invoke<TavroProc_StopExperiment>();
}

void CTavroDLLBasedDevice::SetState(int32_t state)
{
    m_state.store(state, std::memory_order_relaxed);
}

void CTavroDLLBasedDevice::AppendRecord(const TavroDataRecord* record,
                                        std::vector<DataRecord>& records) const
{
    // A missing record, or missing values where there should be some, is
    // no record: nothing is read through a null pointer.
    if (!record || (!record->values && !m_components.empty()))
        return;
    DataRecord copy;
    copy.acquisitionTime = record->acquisitionTime;
    copy.values.assign(record->values, record->values + m_components.size());
    records.push_back(copy);
}

void TAVRO_CALL DeviceStateCallback(void* context, int32_t state)
{
    if (context)
        static_cast<I_TavroDevice*>(context)->SetState(state);
}
