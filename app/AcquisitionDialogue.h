// The operator's acquisition test of one described device.
#pragma once

#include "app/AcquisitionSystem.h"
#include "device/TavroDevice.h"

// Asks whether to test and for how long, then prepares the device, waits
// until it is ready, acquires for the time asked and stops it. Throws
// std::runtime_error when the device does not become ready in time; lets
// the exceptions of the device operations pass. Uses the real system.
void RunAcquisitionTest(TavroDevicePtr device);

// The same dialogue against the given system (input, clock, pump).
void RunAcquisitionTest(TavroDevicePtr device, I_AcquisitionSystem& system);
