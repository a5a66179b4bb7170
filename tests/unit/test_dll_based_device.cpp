#include "FixtureLibraries.h"
#include "OutputCapture.h"
#include "app/LibraryProbe.h"
#include "device/TavroDLLBasedDevice.h"
#include "output/ModulePath.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace {

typedef boost::shared_ptr<CTavroDLLBasedDevice> DevicePtr;

DevicePtr Device(const std::string& fixture)
{
    return DevicePtr(new CTavroDLLBasedDevice(FixturePath(fixture)));
}

// Loads, describes and registers the device as the library test does.
DevicePtr RegisteredDevice(const std::string& fixture)
{
    DevicePtr device = Device(fixture);
    InitialiseDevice(device);
    return device;
}

// The message of the exception that step throws, or "" when none is thrown.
template <class Step>
std::string MessageOf(Step step)
{
    try {
        step();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return std::string();
}

std::string FirstFailure(const std::string& fixture)
{
    DevicePtr device = Device(fixture);
    return MessageOf([&] {
        device->LoadDeviceLibrary();
        device->ReadDeviceInfo();
        device->ReadComponents();
    });
}

bool IsLoaded(const std::string& path)
{
    return GetModuleHandleA(path.c_str()) != nullptr;
}

std::vector<std::string> CallsOf(const std::vector<std::string>& lines, const std::string& fixture)
{
    std::vector<std::string> calls;
    for (const std::string& line : lines)
        if (line.compare(0, fixture.size() + 1, fixture + " ") == 0)
            calls.push_back(line.substr(fixture.size() + 1));
    return calls;
}

}  // namespace

TEST(DllBasedDevice, LoadFailureNamesThePathAndTheSystemError)
{
    const std::string path = FixturePath("not_a_library");
    const std::string message = FirstFailure("not_a_library");
    const std::string start = "Error: failed to load Tavro library. " + path + " ";
    ASSERT_EQ(start, message.substr(0, start.size()));
    EXPECT_GT(message.size(), start.size() + 2);
    EXPECT_EQ("\r\n", message.substr(message.size() - 2));

    SetLastError(0);
    const std::string missing = FirstFailure("does_not_exist");
    EXPECT_EQ(0u, missing.find("Error: failed to load Tavro library. " + FixturePath("does_not_exist") + " "));
}

TEST(DllBasedDevice, EachMissingExportIsNamedInResolutionOrder)
{
    const char* const required[] = {
        "GetDeviceName",      "GetNumberOfComponents", "GetComponentName",
        "GetComponentUnits",  "GetComponentDataType",  "GetComponentDataPrecision",
        "PrepareExperiment",  "StartExperiment",       "GetLastData",
        "GetAvailableDataCount", "GetData",            "StopExperiment",
        "SetCallbackInfo"};
    for (const char* name : required) {
        const std::string fixture = std::string("fixture_no_") + name;
        EXPECT_EQ(std::string("Error: procedure Tavro_") + name +
                      " is not implemented in Tavro device library " + FixturePath(fixture),
                  FirstFailure(fixture));
    }
    EXPECT_EQ("Error: procedure Tavro_GetAvailableDataCount is not implemented in Tavro device library " +
                  FixturePath("fixture_no_last_data_or_count"),
              FirstFailure("fixture_no_last_data_or_count"));
}

TEST(DllBasedDevice, ExportsAreLookedUpInTheHostsOrderUpToTheFirstMissingOne)
{
    const FixtureTrace trace;
    EXPECT_NE(std::string::npos, FirstFailure("fixture_lookups").find("Tavro_GetAvailableDataCount"));
    std::vector<std::string> lookups;
    for (const std::string& line : trace.Lines())
        if (line.compare(0, 23, "fixture_lookups lookup ") == 0)
            lookups.push_back(line.substr(23));
    EXPECT_EQ((std::vector<std::string>{"Tavro_GetDeviceLibraryVersion", "Tavro_GetDeviceName",
                                        "Tavro_GetNumberOfComponents", "Tavro_GetComponentName",
                                        "Tavro_GetComponentUnits", "Tavro_GetComponentDataType",
                                        "Tavro_GetComponentDataPrecision", "Tavro_PrepareExperiment",
                                        "Tavro_StartExperiment", "Tavro_GetAvailableDataCount"}),
              lookups);
}

TEST(DllBasedDevice, DescriptionFailuresCarryTheirExactMessages)
{
    EXPECT_EQ("Error: cannot get Tavro device name from " + FixturePath("fixture_empty_name") + ".",
              FirstFailure("fixture_empty_name"));
    EXPECT_EQ("Error: cannot get Tavro component name for component index 2",
              FirstFailure("fixture_empty_component_name_2"));
    for (const char* fixture : {"fixture_type_0", "fixture_type_8", "fixture_type_minus1"})
        EXPECT_EQ("Error: cannot get Tavro component data type for component index 0", FirstFailure(fixture))
            << fixture;
    EXPECT_EQ("Error: cannot get Tavro component data precision for component index 0",
              FirstFailure("fixture_precision_minus1"));
    for (const char* fixture : {"fixture_type_1", "fixture_type_7", "fixture_empty_units", "fixture_good"})
        EXPECT_EQ("", FirstFailure(fixture)) << fixture;
}

TEST(DllBasedDevice, ComponentsReadBeforeAFailureStay)
{
    DevicePtr device = Device("fixture_empty_component_name_2");
    device->LoadDeviceLibrary();
    device->ReadDeviceInfo();
    EXPECT_THROW(device->ReadComponents(), std::runtime_error);
    EXPECT_EQ(2, device->GetNumberOfComponents());
    EXPECT_EQ("Status", device->GetComponent(1)->GetName());
}

TEST(DllBasedDevice, UnknownProcedureNamesTheLibrary)
{
    DevicePtr device = Device("fixture_no_version");
    EXPECT_EQ("Error: unknown procedure in Tavro device library " + FixturePath("fixture_no_version"),
              MessageOf([&] { device->GetProcedure(TavroProc_GetDeviceName); }));
    device->LoadDeviceLibrary();
    EXPECT_EQ("Error: unknown procedure in Tavro device library " + FixturePath("fixture_no_version"),
              MessageOf([&] { device->GetProcedure(TavroProc_GetDeviceLibraryVersion); }));
    device->ReadDeviceInfo();
    EXPECT_EQ(0u, device->GetLibraryVersion());
}

TEST(DllBasedDevice, NamesAreReadAsAtMost255Characters)
{
    DevicePtr exact = Device("fixture_name_255");
    exact->LoadDeviceLibrary();
    exact->ReadDeviceInfo();
    EXPECT_EQ(255u, exact->GetDeviceName().size());

    // All 256 characters filled and no NUL: the host stops at 255.
    DevicePtr unterminated = Device("fixture_name_256_no_nul");
    unterminated->LoadDeviceLibrary();
    unterminated->ReadDeviceInfo();
    EXPECT_EQ(exact->GetDeviceName(), unterminated->GetDeviceName());
}

TEST(DllBasedDevice, GetComponentGivesEmptyPointersOutsideTheList)
{
    DevicePtr device = RegisteredDevice("fixture_good");
    ASSERT_EQ(3, device->GetNumberOfComponents());
    EXPECT_FALSE(device->GetComponent(-1));
    EXPECT_FALSE(device->GetComponent(3));
    EXPECT_FALSE(device->GetComponent(INT32_MIN));
    ASSERT_TRUE(device->GetComponent(2));
    EXPECT_EQ("State", device->GetComponent(2)->GetName());
    EXPECT_EQ(2, device->GetComponent(2)->GetIndex());

    // Components outlive their device.
    boost::shared_ptr<CTavroComponentInfo> kept = device->GetComponent(0);
    device.reset();
    EXPECT_EQ("Voltage", kept->GetName());

    DevicePtr none = RegisteredDevice("fixture_count_minus1");
    EXPECT_EQ(0, none->GetNumberOfComponents());
    for (int32_t index : {-1, 0, 1})
        EXPECT_FALSE(none->GetComponent(index));
}

TEST(DllBasedDevice, DescriptionOfSeveralComponentsByteForByte)
{
    DevicePtr device = RegisteredDevice("fixture_good");
    EXPECT_EQ("Tavro device name: Tavro Fixture Device\n"
              "Library version: 1\n"
              "Component count: 3\n"
              "\nComponent index: 0\n"
              "Component name: Voltage\nComponent data type: Double\nComponent units: V\nComponent precision: 3\n"
              "\nComponent index: 1\n"
              "Component name: Status\nComponent data type: Unsigned Long\nComponent units: flags\nComponent precision: 0\n"
              "\nComponent index: 2\n"
              "Component name: State\nComponent data type: String\nComponent units: text\nComponent precision: 0\n",
              device->GetDescription());
}

TEST(DllBasedDevice, DescriptionOfADeviceWithoutComponents)
{
    DevicePtr device = RegisteredDevice("fixture_count_0");
    EXPECT_EQ("Tavro device name: Tavro Fixture Device\nLibrary version: 1\nComponent count: 0\n",
              device->GetDescription());
}

TEST(DllBasedDevice, UnitsAndPrecisionAreReadAgainOnRequest)
{
    DevicePtr emptied = RegisteredDevice("fixture_units_emptied");
    EXPECT_EQ("V", emptied->GetComponent(0)->GetUnits());
    EXPECT_EQ("Error: cannot get Tavro component units for device Tavro Fixture Device.",
              MessageOf([&] { emptied->UpdateComponentUnits(); }));

    DevicePtr good = RegisteredDevice("fixture_good");
    good->UpdateComponentUnits();
    good->UpdateComponentPrecision();
    EXPECT_EQ("V", good->GetComponent(0)->GetUnits());
    EXPECT_EQ(3, good->GetComponent(0)->GetPrecision());
}

TEST(DllBasedDevice, GetLastDataAppendsOneRecordOfExactlyNValuesPerCall)
{
    DevicePtr device = RegisteredDevice("fixture_ready_immediate");
    device->PrepareExperiment();
    EXPECT_TRUE(device->IsReady());
    device->StartExperiment();
    std::vector<DataRecord> records;
    for (int attempt = 0; attempt < 50 && records.empty(); ++attempt) {
        Sleep(20);
        device->GetLastData(records);
    }
    ASSERT_EQ(1u, records.size());
    device->GetLastData(records);
    ASSERT_EQ(2u, records.size());
    for (const DataRecord& record : records) {
        EXPECT_EQ(3u, record.values.size());
        EXPECT_NE(0u, record.acquisitionTime);
    }
    device->GetData(records);
    EXPECT_EQ(3u, records.size());
    device->StopExperiment();
}

TEST(DllBasedDevice, NullRecordsAndNullValuesGiveNoRecord)
{
    for (const char* fixture : {"fixture_null_record", "fixture_null_values"}) {
        DevicePtr device = RegisteredDevice(fixture);
        device->PrepareExperiment();
        device->StartExperiment();
        // The library has taken a sample (it counts it) before the host
        // expects no record of it.
        const auto count = reinterpret_cast<TavroGetAvailableDataCountProc>(
            device->GetProcedure(TavroProc_GetAvailableDataCount));
        for (int attempt = 0; attempt < 100 && count() == 0; ++attempt)
            Sleep(20);
        ASSERT_LT(0, count()) << fixture;
        std::vector<DataRecord> records;
        device->GetLastData(records);
        device->GetData(records);
        EXPECT_TRUE(records.empty()) << fixture;
        device->StopExperiment();
    }
}

TEST(DllBasedDevice, DestroyingAnUnloadedDeviceCallsNothing)
{
    FixtureTrace trace;
    {
        DevicePtr device = Device("not_a_library");
        EXPECT_THROW(device->LoadDeviceLibrary(), std::runtime_error);
    }
    EXPECT_TRUE(trace.Lines().empty());
}

TEST(DllBasedDevice, ALoadedButUnregisteredDeviceIsUnloadedWithoutUnregistering)
{
    FixtureTrace trace;
    const std::string path = FixturePath("fixture_no_SetCallbackInfo");
    {
        DevicePtr device = Device("fixture_no_SetCallbackInfo");
        EXPECT_THROW(device->LoadDeviceLibrary(), std::runtime_error);
        EXPECT_TRUE(IsLoaded(path));
    }
    EXPECT_FALSE(IsLoaded(path));
    EXPECT_EQ((std::vector<std::string>{"DllMain attach", "DllMain detach"}),
              CallsOf(trace.Lines(), "fixture_no_SetCallbackInfo"));
}

TEST(DllBasedDevice, ARegisteredDeviceUnregistersThenUnloads)
{
    FixtureTrace trace;
    const std::string path = FixturePath("fixture_good");
    {
        DevicePtr device = RegisteredDevice("fixture_good");
        EXPECT_TRUE(IsLoaded(path));
    }
    EXPECT_FALSE(IsLoaded(path));
    const std::vector<std::string> calls = CallsOf(trace.Lines(), "fixture_good");
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ("Tavro_SetCallbackInfo set", calls[calls.size() - 3]);
    EXPECT_EQ("Tavro_SetCallbackInfo null", calls[calls.size() - 2]);
    EXPECT_EQ("DllMain detach", calls.back());
}

TEST(DllBasedDevice, TheCallbackStoresTheStateReportedFromTheLibrarysThread)
{
    DevicePtr device = RegisteredDevice("fixture_good");
    EXPECT_FALSE(device->IsReady());
    device->PrepareExperiment();
    for (int attempt = 0; attempt < 100 && !device->IsReady(); ++attempt)
        Sleep(20);
    EXPECT_TRUE(device->IsReady());
}

TEST(DeviceStateCallback, NullContextIsIgnoredAndADeviceGetsItsState)
{
    DeviceStateCallback(nullptr, 1);
    DevicePtr device = Device("fixture_good");
    DeviceStateCallback(static_cast<I_TavroDevice*>(device.get()), 1);
    EXPECT_TRUE(device->IsReady());
    DeviceStateCallback(static_cast<I_TavroDevice*>(device.get()), 2);
    EXPECT_FALSE(device->IsReady());
}

TEST(ProgramExport, TheProgramFileReportsInterfaceVersion1)
{
    const std::string program = FolderOfPath(FixturePath("x")) + "..\\app\\TavroProbe.exe";
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(nullptr, module) << program;
    const TavroGetDeviceLibraryVersionProc version = reinterpret_cast<TavroGetDeviceLibraryVersionProc>(
        reinterpret_cast<TavroProcAddress>(GetProcAddress(module, "Tavro_GetDeviceLibraryVersion")));
    ASSERT_NE(nullptr, version);
    EXPECT_EQ(1u, version());
    FreeLibrary(module);
}
