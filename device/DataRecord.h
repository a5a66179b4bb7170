// The host's own copy of one data record of a device library.
#pragma once

#include "device/TavroDeviceLibrary.h"

#include <cstdint>
#include <vector>

struct DataRecord {
    // FILETIME form, copied unchanged from the library's record.
    uint64_t acquisitionTime = 0;
    // One raw 8-byte slot per component held by the device, in order.
    std::vector<TavroValue> values;
};
