#include "pe/PeExports.h"

namespace {

// Offsets in the export directory.
const uint64_t kNameCount = 24;
const uint64_t kNameTable = 32;
const uint64_t kExportDirectorySize = 40;

}  // namespace

bool ReadExportNames(const CPeImage& image, std::vector<std::string>& names, std::string& error)
{
    names.clear();
    if (!image.IsValid()) {
        error = image.Error();
        return false;
    }
    const uint32_t directory = image.DirectoryRva(CPeImage::ExportDirectory);
    if (directory == 0)
        return true;  // no export table: no exports
    std::size_t unused = 0;
    uint32_t nameCount = 0, table = 0;
    if (!image.FileOffsetOf(directory, kExportDirectorySize, unused) ||
        !image.Read32At(directory + kNameCount, nameCount) || !image.Read32At(directory + kNameTable, table)) {
        error = "export table outside the file";
        return false;
    }
    if (nameCount > 0 && !image.FileOffsetOf(table, 4ull * nameCount, unused)) {
        error = "export name table outside the file";
        return false;
    }
    for (uint64_t i = 0; i < nameCount; ++i) {
        uint32_t nameRva = 0;
        std::string name;
        if (!image.Read32At(table + 4 * i, nameRva) || !image.TextAt(nameRva, name)) {
            error = "export name outside the file";
            return false;
        }
        names.push_back(name);
    }
    return true;
}
