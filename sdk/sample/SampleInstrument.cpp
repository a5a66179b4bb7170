// SampleInstrument.cpp - components and simulated values of the sample
// device; the formulas are listed in SampleInstrument.h.
#include "SampleInstrument.h"

#include <string>

namespace tavro_sample {

namespace {

const ComponentInfo kComponents[kComponentCount] = {
    {"Sample Counter", "samples", TavroData_UnsignedLongLong, 0},
    {"Position Offset", "nm", TavroData_LongLong, 0},
    {"Status Word", "flags", TavroData_UnsignedLong, 0},
    {"Temperature Drift", "mK", TavroData_Long, 0},
    {"Pressure", "kPa", TavroData_Float, 2},
    {"Supply Voltage", "V", TavroData_Double, 6},
    {"State", "", TavroData_String, 0},
};

double SupplyVoltage(uint64_t n)
{
    switch (n % 4) {
    case 0:
        return 100000.0;
    case 1:
        return 1000000.0 + 2.5 * static_cast<double>(n);
    case 2:
        return static_cast<double>(1 + n % 8) / 1024.0;
    default:
        return -static_cast<double>(n % 100) - 0.5;
    }
}

std::string StateText(uint64_t n)
{
    switch (n % 4) {
    case 0:
        return "sample " + std::to_string(n);
    case 1:
        // A '%' in the text: the host must print it as it is.
        return "duty " + std::to_string(n % 101) + "% done";
    case 2:
        return std::string();
    default:
        return "running";
    }
}

} // namespace

const ComponentInfo* FindComponent(int32_t index)
{
    if (index < 0 || index >= kComponentCount) {
        return nullptr;
    }
    return &kComponents[index];
}

void FillSample(uint64_t n, tavro_kit::PublishedRecord& record)
{
    // Slot() zeroes all 8 bytes first, so the 4-byte types leave no stale
    // upper half behind.
    record.Slot(0).unsignedLongLong = n;
    record.Slot(1).longLong = (static_cast<int64_t>(n % 11) - 5) * INT64_C(1234567890123);
    record.Slot(2).unsignedLong = UINT32_C(0xC0DE0000) | static_cast<uint32_t>(n & 0xFFFF);
    record.Slot(3).longValue = (static_cast<int32_t>(n % 7) - 3) * 1250;
    record.Slot(4).floatValue = 100.0f + 0.125f * static_cast<float>(n % 16);
    record.Slot(5).doubleValue = SupplyVoltage(n);
    record.SetText(6, StateText(n));
}

} // namespace tavro_sample
