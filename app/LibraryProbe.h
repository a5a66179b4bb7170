// The test of one device library found by the folder search.
#pragma once

#include "device/TavroDLLBasedDevice.h"

#include <boost/shared_ptr.hpp>

// Loads the library at libraryPath, describes its device and runs the
// operator's acquisition test. Prints every failure itself; never throws.
void TestDeviceLibrary(const char* libraryPath);

// Loads the device's library, reads its description and registers the state
// callback with the device as context, then marks the device initialised.
// Throws the binding's exception at the first step that fails.
void InitialiseDevice(const boost::shared_ptr<CTavroDLLBasedDevice>& device);
