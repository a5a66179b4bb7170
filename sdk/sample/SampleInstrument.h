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
//
// Other component counts, for testing hosts with small and large devices:
// the environment variable TAVRO_SAMPLE_COMPONENTS, read once when the
// library is loaded, may hold a decimal count N from 1 to 100000. The
// instrument then has N components; component i is of the kind of row
// i % 7 above (name, type, units, precision and value formula). Components
// 0 to 6 keep the names above, later ones have their index appended
// ("Pressure 123"), so every name is different. Unset, or set to anything
// else, the instrument has the seven components above.
#ifndef TAVRO_SAMPLE_INSTRUMENT_H
#define TAVRO_SAMPLE_INSTRUMENT_H

#include "DeviceLibraryKit.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavro_sample {

// The seven kinds of component, rows 0 to 6 of the table above.
constexpr int32_t kKindCount = 7;
constexpr int32_t kDefaultComponentCount = kKindCount;
constexpr int32_t kMaxComponentCount = 100000;

struct ComponentInfo {
    std::string name;
    const char* units;
    TavroDataType type;
    int32_t precision;
};

// The component count a value of TAVRO_SAMPLE_COMPONENTS asks for: the
// decimal number when it is all digits (no sign, no blanks) and from 1 to
// kMaxComponentCount, kDefaultComponentCount otherwise (and for nullptr).
int32_t ComponentCountFor(const char* text);

// ComponentCountFor the current value of TAVRO_SAMPLE_COMPONENTS.
int32_t ComponentCountFromEnvironment();

class Instrument {
public:
    // An instrument with `componentCount` components (1 to
    // kMaxComponentCount; other counts give the default seven).
    explicit Instrument(int32_t componentCount = kDefaultComponentCount);

    int32_t ComponentCount() const { return static_cast<int32_t>(components_.size()); }

    // The component with this index, or nullptr when there is none.
    const ComponentInfo* FindComponent(int32_t index) const;

    // Fills `record` (sized for ComponentCount() values) with sample `n`.
    void FillSample(uint64_t n, tavro_kit::PublishedRecord& record) const;

private:
    std::vector<ComponentInfo> components_;
};

} // namespace tavro_sample

#endif // TAVRO_SAMPLE_INSTRUMENT_H
