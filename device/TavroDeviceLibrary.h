// The device-library interface. The one definition lives with the SDK, so
// that host and device-library writers compile against the same file.
#pragma once
#include "sdk/include/TavroDeviceLibrary.h"
