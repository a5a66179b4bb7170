// SampleInstrument.cpp - components and simulated values of the sample
// device; the formulas are listed in SampleInstrument.h.
#include "SampleInstrument.h"

namespace tavro_sample {

namespace {

struct Kind {
    const char* name;
    const char* units;
    TavroDataType type;
    int32_t precision;
};

const Kind kKinds[kKindCount] = {
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

int32_t ComponentCountFor(const char* text)
{
    if (text == nullptr || *text == '\0') {
        return kDefaultComponentCount;
    }
    int32_t count = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            return kDefaultComponentCount;
        }
        count = count * 10 + (*c - '0');
        if (count > kMaxComponentCount) {
            return kDefaultComponentCount;
        }
    }
    return count >= 1 ? count : kDefaultComponentCount;
}

int32_t ComponentCountFromEnvironment()
{
    // GetEnvironmentVariableA, not getenv: it sees changes the host made
    // with SetEnvironmentVariable after the C runtime started.
    char value[16] = {};
    const DWORD length = GetEnvironmentVariableA("TAVRO_SAMPLE_COMPONENTS", value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        return kDefaultComponentCount; // unset, or too long to be a valid count
    }
    return ComponentCountFor(value);
}

Instrument::Instrument(int32_t componentCount)
{
    if (componentCount < 1 || componentCount > kMaxComponentCount) {
        componentCount = kDefaultComponentCount;
    }
    components_.reserve(static_cast<size_t>(componentCount));
    for (int32_t i = 0; i < componentCount; ++i) {
        const Kind& kind = kKinds[i % kKindCount];
        std::string name = kind.name;
        if (i >= kKindCount) {
            name += ' ';
            name += std::to_string(i);
        }
        components_.push_back(ComponentInfo{std::move(name), kind.units, kind.type, kind.precision});
    }
}

const ComponentInfo* Instrument::FindComponent(int32_t index) const
{
    if (index < 0 || index >= ComponentCount()) {
        return nullptr;
    }
    return &components_[static_cast<size_t>(index)];
}

void Instrument::FillSample(uint64_t n, tavro_kit::PublishedRecord& record) const
{
    // The seven values of sample n, each computed once whatever the count.
    const uint64_t counter = n;
    const int64_t offset = (static_cast<int64_t>(n % 11) - 5) * INT64_C(1234567890123);
    const uint32_t status = UINT32_C(0xC0DE0000) | static_cast<uint32_t>(n & 0xFFFF);
    const int32_t drift = (static_cast<int32_t>(n % 7) - 3) * 1250;
    const float pressure = 100.0f + 0.125f * static_cast<float>(n % 16);
    const double voltage = SupplyVoltage(n);
    const std::string state = StateText(n);

    // Slot() zeroes all 8 bytes first, so the 4-byte types leave no stale
    // upper half behind.
    const size_t count = components_.size();
    for (size_t i = 0; i < count; ++i) {
        switch (i % kKindCount) {
        case 0:
            record.Slot(i).unsignedLongLong = counter;
            break;
        case 1:
            record.Slot(i).longLong = offset;
            break;
        case 2:
            record.Slot(i).unsignedLong = status;
            break;
        case 3:
            record.Slot(i).longValue = drift;
            break;
        case 4:
            record.Slot(i).floatValue = pressure;
            break;
        case 5:
            record.Slot(i).doubleValue = voltage;
            break;
        default:
            record.SetText(i, state);
            break;
        }
    }
}

} // namespace tavro_sample
