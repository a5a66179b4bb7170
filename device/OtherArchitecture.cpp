#include "device/OtherArchitecture.h"

#include "pe/FileBytes.h"
#include "pe/PeExports.h"
#include "pe/PeImage.h"

#include <algorithm>
#include <vector>

namespace {

const uint16_t kMachineI386 = 0x14C;
const uint16_t kMachineX64 = 0x8664;

// The machine of the other build, and what to call it.
struct Architecture {
    uint16_t machine;
    const char* description;
    const char* program;
};

const Architecture kOther = sizeof(void*) == 8 ? Architecture{kMachineI386, "a 32-bit (i386)", "the i386"}
                                               : Architecture{kMachineX64, "a 64-bit (x86-64)", "the x86-64"};

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
    return "  " + path + " is " + kOther.description + " Tavro device library: " + kOther.program +
           " TavroProbe tests it\n";
}
