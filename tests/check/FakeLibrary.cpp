#include "FakeLibrary.h"

#include "device/TavroDeviceLibrary.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

FakeBehaviour g_behaviour;
TavroStateCallback g_callback = nullptr;
void* g_context = nullptr;
TavroStateCallback g_unregistered = nullptr;
void* g_unregisteredContext = nullptr;
int32_t g_available = 0;
uint64_t g_time = 0;
TavroValue g_values[2];
TavroDataRecord g_record;
int g_prepared = 0;
uint64_t g_leaked = 0;

void Copy(const char* text, char* buffer, int32_t size)
{
    const size_t room = static_cast<size_t>(size) - 1 + static_cast<size_t>(g_behaviour.overrun);
    const size_t length = std::min(std::strlen(text), room);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

void TAVRO_CALL GetDeviceName(char* buffer, int32_t size) { Copy("Fake Device", buffer, size); }
int32_t TAVRO_CALL GetCount() { return 2; }
void TAVRO_CALL GetName(int32_t index, char* buffer, int32_t size) { Copy(index ? "Text" : "Value", buffer, size); }
void TAVRO_CALL GetUnits(int32_t index, char* buffer, int32_t size) { Copy(index ? "" : "V", buffer, size); }
int32_t TAVRO_CALL GetType(int32_t index) { return index ? TavroData_String : g_behaviour.type; }
int32_t TAVRO_CALL GetPrecision(int32_t) { return 2; }

void TAVRO_CALL Prepare()
{
    const bool ready = !g_behaviour.neverReady && !(g_behaviour.readyOnce && g_prepared > 0);
    ++g_prepared;
    if (g_callback && ready)
        g_callback(g_context, TAVRO_STATE_READY);
}

void TAVRO_CALL Start()
{
    if (g_behaviour.throwInStart)
        throw std::runtime_error("the fake cannot start");
    g_available = 5;
    g_time = 1000000;
}

const TavroDataRecord* Record()
{
    g_time = g_behaviour.timeBackwards ? g_time - 10 : g_time + 10;
    g_record.acquisitionTime = g_time;
    g_values[0].doubleValue = 1.5;
    g_values[1].stringValue = g_behaviour.nullString ? nullptr : "text";
    g_record.values = g_values;
    return &g_record;
}

const TavroDataRecord* TAVRO_CALL GetLastData()
{
    g_leaked += static_cast<uint64_t>(g_behaviour.leakPerPoll);
    if (g_behaviour.slowPollMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_behaviour.slowPollMs));
    return Record();
}
int32_t TAVRO_CALL GetAvailable() { return g_available; }

const TavroDataRecord* TAVRO_CALL GetData(int32_t)
{
    if (g_available > 0 && !g_behaviour.countStuck)
        --g_available;
    return Record();
}

void TAVRO_CALL Stop() {}

void TAVRO_CALL SetCallback(TavroStateCallback callback, void* context)
{
    if (!callback) {
        g_unregistered = g_callback;
        g_unregisteredContext = g_context;
    }
    g_callback = callback;
    g_context = context;
}

}  // namespace

void ResetFakeLibrary(const FakeBehaviour& behaviour)
{
    g_behaviour = behaviour;
    g_callback = g_unregistered = nullptr;
    g_context = g_unregisteredContext = nullptr;
    g_available = 0;
    g_prepared = 0;
    g_leaked = 0;
}

ResourceUse CFakePlatform::Resources()
{
    ResourceUse use;
    use.privateBytes = 8 << 20;
    use.handles = 40 + g_leaked;
    use.threads = 1;
    return use;
}

bool CFakePlatform::Load(const std::string&, std::string&)
{
    return true;
}

TavroProcAddress CFakePlatform::Export(const char* name)
{
    const std::string n(name);
    const struct {
        const char* name;
        TavroProcAddress address;
    } table[] = {
        {"Tavro_GetDeviceName", reinterpret_cast<TavroProcAddress>(&GetDeviceName)},
        {"Tavro_GetNumberOfComponents", reinterpret_cast<TavroProcAddress>(&GetCount)},
        {"Tavro_GetComponentName", reinterpret_cast<TavroProcAddress>(&GetName)},
        {"Tavro_GetComponentUnits", reinterpret_cast<TavroProcAddress>(&GetUnits)},
        {"Tavro_GetComponentDataType", reinterpret_cast<TavroProcAddress>(&GetType)},
        {"Tavro_GetComponentDataPrecision", reinterpret_cast<TavroProcAddress>(&GetPrecision)},
        {"Tavro_PrepareExperiment", reinterpret_cast<TavroProcAddress>(&Prepare)},
        {"Tavro_StartExperiment", reinterpret_cast<TavroProcAddress>(&Start)},
        {"Tavro_GetLastData", reinterpret_cast<TavroProcAddress>(&GetLastData)},
        {"Tavro_GetAvailableDataCount", reinterpret_cast<TavroProcAddress>(&GetAvailable)},
        {"Tavro_GetData", reinterpret_cast<TavroProcAddress>(&GetData)},
        {"Tavro_StopExperiment", reinterpret_cast<TavroProcAddress>(&Stop)},
        {"Tavro_SetCallbackInfo", reinterpret_cast<TavroProcAddress>(&SetCallback)},
    };
    for (const auto& entry : table)
        if (n == entry.name)
            return entry.address;
    return nullptr;
}

void CFakePlatform::Pump(std::chrono::milliseconds duration)
{
    // A library that calls back after unregistering does it while the
    // host pumps.
    if (g_behaviour.lateCallback && g_unregistered) {
        g_unregistered(g_unregisteredContext, TAVRO_STATE_READY);
        g_unregistered = nullptr;
    }
    std::this_thread::sleep_for(duration);
}
