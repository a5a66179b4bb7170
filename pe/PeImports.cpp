#include "pe/PeImports.h"

namespace {

const uint64_t kImportDescriptorSize = 20;
// A table of more imports than this is damaged (or made to keep a reader
// busy).
const uint64_t kMaxDescriptors = 1024;

// A module name that names a path instead of a file: it is not looked for.
bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name.find_first_of("\\/:") == std::string::npos;
}

}  // namespace

bool ReadImportedModuleNames(const CPeImage& image, std::vector<std::string>& names)
{
    if (!image.IsValid())
        return false;
    const uint32_t table = image.DirectoryRva(CPeImage::ImportDirectory);
    if (table == 0)
        return true;  // no import table: nothing to name
    for (uint64_t i = 0; i < kMaxDescriptors; ++i) {
        const uint64_t descriptor = table + kImportDescriptorSize * i;
        uint32_t nameRva = 0, firstThunk = 0;
        if (!image.Read32At(descriptor + 12, nameRva) || !image.Read32At(descriptor + 16, firstThunk))
            return false;
        if (nameRva == 0 && firstThunk == 0)
            return true;
        std::string name;
        if (!image.TextAt(nameRva, name))
            return false;
        if (IsPlainFileName(name))
            names.push_back(name);
    }
    return false;
}
