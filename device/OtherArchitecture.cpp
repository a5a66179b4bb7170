#include "device/OtherArchitecture.h"

#include "pe/FileBytes.h"
#include "pe/PeExports.h"
#include "pe/PeImage.h"

#include <algorithm>
#include <vector>

namespace {

const uint16_t kMachineI386 = 0x14C;
const uint16_t kMachineX64 = 0x8664;

// The machine of the other build, and what to say of its library.
struct Architecture {
    uint16_t machine;
    const char* line;
};

const Architecture kOther =
    sizeof(void*) == 8
        ? Architecture{kMachineI386, " is a 32-bit (i386) Tavro device library: the i386 TavroProbe tests it\n"}
        : Architecture{kMachineX64, " is a 64-bit (x86-64) Tavro device library: the x86-64 TavroProbe tests it\n"};

bool ExportsTheInterface(const CPeImage& image)
{
    std::vector<std::string> names;
    std::string error;
    return ReadExportNames(image, names, error) &&
           std::any_of(names.begin(), names.end(),
                       [](const std::string& name) { return name.compare(0, 6, "Tavro_") == 0; });
}

}  // namespace

std::string OtherArchitectureText(const std::string& path)
{
    std::vector<unsigned char> bytes;
    std::string error;
    if (!ReadWholeFile(path, bytes, error))
        return std::string();
    const CPeImage image(std::move(bytes));
    if (!image.IsValid() || image.Machine() != kOther.machine || !ExportsTheInterface(image))
        return std::string();
    return "  " + path + kOther.line;
}
