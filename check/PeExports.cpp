#include "check/PeExports.h"

#include <fstream>
#include <iterator>

namespace {

// Bounds-checked little-endian reads over the file's bytes.
class CByteReader {
public:
    explicit CByteReader(const std::vector<unsigned char>& bytes) : m_bytes(bytes) {}

    bool Has(uint64_t offset, uint64_t size) const
    {
        return offset <= m_bytes.size() && size <= m_bytes.size() - offset;
    }
    uint32_t U16(uint64_t offset) const
    {
        return Has(offset, 2) ? (m_bytes[offset] | (m_bytes[offset + 1] << 8)) : 0;
    }
    uint32_t U32(uint64_t offset) const
    {
        return Has(offset, 4) ? (U16(offset) | (U16(offset + 2) << 16)) : 0;
    }
    // The NUL-terminated text at offset, or false if it runs off the end.
    bool Text(uint64_t offset, std::string& text) const
    {
        for (uint64_t i = offset; i < m_bytes.size(); ++i)
            if (m_bytes[i] == 0) {
                text.assign(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                            m_bytes.begin() + static_cast<std::ptrdiff_t>(i));
                return true;
            }
        return false;
    }

private:
    const std::vector<unsigned char>& m_bytes;
};

struct Section {
    uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

// The file offset of a relative virtual address; false if no section holds it.
bool RvaToOffset(const std::vector<Section>& sections, uint32_t rva, uint64_t& offset)
{
    for (const Section& s : sections) {
        const uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < extent && rva - s.virtualAddress < s.rawSize) {
            offset = static_cast<uint64_t>(s.rawOffset) + (rva - s.virtualAddress);
            return true;
        }
    }
    return false;
}

}  // namespace

bool ReadPeExports(const std::vector<unsigned char>& bytes, PeExports& exports, std::string& error)
{
    const CByteReader in(bytes);
    if (!in.Has(0, 64) || in.U16(0) != 0x5A4D) {
        error = "not a PE file (no MZ header)";
        return false;
    }
    const uint64_t pe = in.U32(0x3C);
    if (!in.Has(pe, 24) || in.U32(pe) != 0x00004550) {
        error = "not a PE file (no PE signature)";
        return false;
    }
    exports.machine = static_cast<uint16_t>(in.U16(pe + 4));
    const uint32_t sectionCount = in.U16(pe + 6);
    const uint64_t optional = pe + 24;
    const uint32_t optionalSize = in.U16(pe + 20);
    const uint32_t magic = in.U16(optional);
    if (magic != 0x10B && magic != 0x20B) {
        error = "not a PE file (unknown optional header)";
        return false;
    }
    const uint64_t exportDirectory = optional + (magic == 0x10B ? 96 : 112);
    std::vector<Section> sections;
    const uint64_t table = optional + optionalSize;
    for (uint32_t i = 0; i < sectionCount && in.Has(table + 40 * i, 40); ++i) {
        const uint64_t s = table + 40 * i;
        sections.push_back({in.U32(s + 12), in.U32(s + 8), in.U32(s + 20), in.U32(s + 16)});
    }
    exports.names.clear();
    const uint32_t exportRva = in.Has(exportDirectory, 8) ? in.U32(exportDirectory) : 0;
    if (exportRva == 0)
        return true;  // no export table: no exports
    uint64_t directory = 0;
    if (!RvaToOffset(sections, exportRva, directory) || !in.Has(directory, 40)) {
        error = "export table outside the file";
        return false;
    }
    const uint32_t nameCount = in.U32(directory + 24);
    uint64_t names = 0;
    if (nameCount > 0 && (!RvaToOffset(sections, in.U32(directory + 32), names) || !in.Has(names, 4ull * nameCount))) {
        error = "export name table outside the file";
        return false;
    }
    for (uint32_t i = 0; i < nameCount; ++i) {
        uint64_t offset = 0;
        std::string name;
        if (!RvaToOffset(sections, in.U32(names + 4ull * i), offset) || !in.Text(offset, name)) {
            error = "export name outside the file";
            return false;
        }
        exports.names.push_back(name);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}
