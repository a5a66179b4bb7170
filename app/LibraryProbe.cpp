#include "app/LibraryProbe.h"

#include "app/AcquisitionDialogue.h"
#include "output/ConsoleLog.h"

#include <exception>
#include <string>

namespace {

std::string MessageOr(const std::exception& error, const char* fallback)
{
    const std::string message = error.what() ? error.what() : "";
    return (message.empty() ? std::string(fallback) : message) + "\n";
}

// Initialises the device; false (with the message printed) when any step
// fails.
bool InitialiseOrReport(const boost::shared_ptr<CTavroDLLBasedDevice>& device)
{
    const char* const unknown = "Unknown error loading Tavro device.";
    try {
        InitialiseDevice(device);
        return true;
    } catch (const std::exception& error) {
        PrintText(MessageOr(error, unknown), 0, false);
    } catch (...) {
        PrintText(std::string(unknown) + "\n", 0, false);
    }
    return false;
}

void RunGuardedAcquisitionTest(const TavroDevicePtr& device)
{
    const char* const unknown = "Unknown error testing Tavro device.";
    std::string text;
    try {
        RunAcquisitionTest(device);
        return;
    } catch (const std::exception& error) {
        text = MessageOr(error, unknown);
    } catch (...) {
        text = std::string(unknown) + "\n";
    }
    PrintText(text, 2, false);
    PrintFormatted("End of testing device \"%s\"\n\n", device->GetDeviceName().c_str(), 0);
}

}  // namespace

void InitialiseDevice(const boost::shared_ptr<CTavroDLLBasedDevice>& device)
{
    device->LoadDeviceLibrary();
    device->ReadDeviceInfo();
    device->ReadComponents();
    device->SetCallbackInfo(DeviceStateCallback, static_cast<I_TavroDevice*>(device.get()));
    device->m_initialized = true;
}

void TestDeviceLibrary(const char* libraryPath)
{
    const boost::shared_ptr<CTavroDLLBasedDevice> device(new CTavroDLLBasedDevice(libraryPath));
    if (!device->m_initialized && !InitialiseOrReport(device))
        return;
    PrintText(device->GetDescription() + "\n", 2, false);
    RunGuardedAcquisitionTest(device);
    // The last owner goes here: the callback is unregistered and the library
    // unloaded before the search moves on.
}
