// SampleInstrument.h - the simulated instrument behind the sample device
// library: its components and the values it measures.
//
// A real library would talk to its hardware here. The simulation makes every
// value a fixed function of the sample number n (0 for the first sample after
// Tavro_StartExperiment, then 1, 2, ...), so a test can predict each record:
//
//   #  component          type                units    prec  value for sample n
//   0  Sample Counter     Unsigned Long Long  samples  0     n
//   1  Position Offset    Long Long           nm       0     (n % 11 - 5) * 1234567890123
//                                                              (negative when n % 11 < 5)
//   2  Status Word        Unsigned Long       flags    0     0xC0DE0000 | (n & 0xFFFF)
//   3  Temperature Drift  Long                mK       0     (n % 7 - 3) * 1250
//   4  Pressure           Float               kPa      2     100 + 0.125 * (n % 16)
//   5  Supply Voltage     Double              V        6     by n % 4:
//                                                              0: 100000
//                                                              1: 1000000 + 2.5 * n
//                                                              2: (1 + n % 8) / 1024
//                                                              3: -(n % 100) - 0.5
//   6  State              String              (none)   0     by n % 4:
//                                                              0: "sample <n>"
//                                                              1: "duty <n % 101>% done"
//                                                              2: "" (empty)
//                                                              3: "running"
//
// Every value is exact in its type (no rounding in the formulas), so a test
// computing the same formula gets the very same bits.
#ifndef TAVRO_SAMPLE_INSTRUMENT_H
#define TAVRO_SAMPLE_INSTRUMENT_H

#include "DeviceLibraryKit.h"

#include <cstdint>

namespace tavro_sample {

struct ComponentInfo {
    const char* name;
    const char* units;
    TavroDataType type;
    int32_t precision;
};

constexpr int32_t kComponentCount = 7;

// The component with this index, or nullptr when there is none.
const ComponentInfo* FindComponent(int32_t index);

// Fills `record` (sized for kComponentCount values) with sample `n`.
void FillSample(uint64_t n, tavro_kit::PublishedRecord& record);

} // namespace tavro_sample

#endif // TAVRO_SAMPLE_INSTRUMENT_H
