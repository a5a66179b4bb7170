#include "device/PeImports.h"

#include <cstdint>

namespace {

const uint16_t kPe32Magic = 0x10B;
const uint16_t kPe32PlusMagic = 0x20B;
const uint32_t kImportDirectory = 1;
const std::size_t kImportDescriptorSize = 20;
const std::size_t kSectionHeaderSize = 40;
// A name longer than this is not a module name but a damaged table.
const std::size_t kMaxNameLength = 4096;
// The loader takes no more sections than this; a table of more imports than
// this is damaged (or made to keep a reader busy).
const uint16_t kMaxSections = 96;
const std::size_t kMaxDescriptors = 1024;

// A module name that names a path instead of a file: it is not looked for.
bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name.find_first_of("\\/:") == std::string::npos;
}

// Reads little-endian integers at an offset, refusing any beyond the end.
class CImageReader {
public:
    explicit CImageReader(const std::vector<unsigned char>& image) : m_image(image) {}

    bool Read16(std::size_t offset, uint16_t& value) const
    {
        if (!Fits(offset, 2))
            return false;
        value = static_cast<uint16_t>(m_image[offset] | (m_image[offset + 1] << 8));
        return true;
    }

    bool Read32(std::size_t offset, uint32_t& value) const
    {
        uint16_t low = 0;
        uint16_t high = 0;
        if (!Read16(offset, low) || !Read16(offset + 2, high))
            return false;
        value = low | (static_cast<uint32_t>(high) << 16);
        return true;
    }

    // The NUL-terminated text at offset; false when it has no end in range.
    bool ReadText(std::size_t offset, std::string& text) const
    {
        text.clear();
        for (std::size_t i = offset; i < m_image.size() && text.size() < kMaxNameLength; ++i) {
            if (m_image[i] == 0)
                return true;
            text += static_cast<char>(m_image[i]);
        }
        return false;
    }

    bool Fits(std::size_t offset, std::size_t length) const
    {
        return offset <= m_image.size() && length <= m_image.size() - offset;
    }

private:
    const std::vector<unsigned char>& m_image;
};

struct SectionTable {
    std::size_t offset;
    uint16_t count;
};

// The file offset of a relative virtual address, through the section that
// holds it.
bool FileOffsetOf(const CImageReader& reader, const SectionTable& sections, uint32_t rva, std::size_t& offset)
{
    for (uint16_t i = 0; i < sections.count && i < kMaxSections; ++i) {
        const std::size_t header = sections.offset + i * kSectionHeaderSize;
        uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawOffset = 0;
        if (!reader.Read32(header + 8, virtualSize) || !reader.Read32(header + 12, virtualAddress) ||
            !reader.Read32(header + 16, rawSize) || !reader.Read32(header + 20, rawOffset))
            return false;
        const uint32_t size = virtualSize > rawSize ? virtualSize : rawSize;
        if (rva >= virtualAddress && rva - virtualAddress < size) {
            offset = static_cast<std::size_t>(rawOffset) + (rva - virtualAddress);
            return true;
        }
    }
    return false;
}

}  // namespace

bool ReadImportedModuleNames(const std::vector<unsigned char>& image, std::vector<std::string>& names)
{
    const CImageReader reader(image);
    uint16_t dosMagic = 0;
    uint32_t peOffset = 0, peSignature = 0;
    if (!reader.Read16(0, dosMagic) || dosMagic != 0x5A4D || !reader.Read32(0x3C, peOffset) ||
        !reader.Read32(peOffset, peSignature) || peSignature != 0x00004550)
        return false;
    const std::size_t fileHeader = static_cast<std::size_t>(peOffset) + 4;
    uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    if (!reader.Read16(fileHeader + 2, sectionCount) || !reader.Read16(fileHeader + 16, optionalSize) ||
        !reader.Read16(fileHeader + 20, magic))
        return false;
    const std::size_t optionalHeader = fileHeader + 20;
    std::size_t directories = 0;
    if (magic == kPe32Magic)
        directories = optionalHeader + 96;
    else if (magic == kPe32PlusMagic)
        directories = optionalHeader + 112;
    else
        return false;
    uint32_t directoryCount = 0, importRva = 0;
    if (!reader.Read32(directories - 4, directoryCount) || !reader.Read32(directories + 8 * kImportDirectory, importRva))
        return false;
    if (directoryCount <= kImportDirectory || importRva == 0)
        return true;  // no import table: nothing to name

    const SectionTable sections = {optionalHeader + optionalSize, sectionCount};
    std::size_t descriptor = 0;
    if (!FileOffsetOf(reader, sections, importRva, descriptor))
        return false;
    for (std::size_t read = 0; read < kMaxDescriptors; ++read, descriptor += kImportDescriptorSize) {
        uint32_t nameRva = 0, firstThunk = 0;
        if (!reader.Read32(descriptor + 12, nameRva) || !reader.Read32(descriptor + 16, firstThunk))
            return false;
        if (nameRva == 0 && firstThunk == 0)
            return true;
        std::size_t nameOffset = 0;
        std::string name;
        if (!FileOffsetOf(reader, sections, nameRva, nameOffset) || !reader.ReadText(nameOffset, name))
            return false;
        if (IsPlainFileName(name))
            names.push_back(name);
    }
    return false;
}
