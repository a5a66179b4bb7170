#include "pe/PeImage.h"

#include <algorithm>
#include <utility>

namespace {

const uint16_t kDosMagic = 0x5A4D;
const uint32_t kPeSignature = 0x00004550;
const uint16_t kPe32Magic = 0x10B;
const uint16_t kPe32PlusMagic = 0x20B;
const uint64_t kSectionHeaderSize = 40;
// The optional header has room for no more data directories than this.
const uint32_t kMaxDirectories = 16;

}  // namespace

CPeImage::CPeImage(std::vector<unsigned char> bytes) : m_bytes(std::move(bytes))
{
    if (!ReadHeaders())
        m_sections.clear();
}

bool CPeImage::ReadHeaders()
{
    if (!Has(0, 64) || U16(0) != kDosMagic) {
        m_error = "not a PE file (no MZ header)";
        return false;
    }
    const uint64_t pe = U32(0x3C);
    if (!Has(pe, 24) || U32(pe) != kPeSignature) {
        m_error = "not a PE file (no PE signature)";
        return false;
    }
    m_machine = U16(pe + 4);
    const uint64_t optional = pe + 24;
    const uint16_t magic = U16(optional);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        m_error = "not a PE file (unknown optional header)";
        return false;
    }
    const uint64_t directories = optional + (magic == kPe32Magic ? 96 : 112);
    if (!Has(directories - 4, 4)) {
        m_error = "not a PE file (optional header cut short)";
        return false;
    }
    const uint32_t count = std::min(U32(directories - 4), kMaxDirectories);
    if (!Has(directories, 8ull * count)) {
        m_error = "not a PE file (data directories cut short)";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i)
        m_directories.push_back(U32(directories + 8ull * i));
    ReadSections(optional + U16(pe + 20), U16(pe + 6));
    return true;
}

// Reads the section headers that lie inside the file, up to kMaxSections.
void CPeImage::ReadSections(uint64_t table, uint16_t count)
{
    for (uint64_t i = 0; i < count && i < kMaxSections; ++i) {
        const uint64_t header = table + kSectionHeaderSize * i;
        if (!Has(header, kSectionHeaderSize))
            return;
        m_sections.push_back({U32(header + 12), U32(header + 20), U32(header + 16)});
    }
}

uint32_t CPeImage::DirectoryRva(Directory index) const
{
    const std::size_t i = static_cast<std::size_t>(index);
    return i < m_directories.size() ? m_directories[i] : 0;
}

const CPeImage::Section* CPeImage::SectionOf(uint64_t rva) const
{
    for (const Section& section : m_sections)
        if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize)
            return &section;
    return nullptr;
}

bool CPeImage::FileOffsetOf(uint64_t rva, uint64_t length, std::size_t& offset) const
{
    const Section* const section = SectionOf(rva);
    if (!section)
        return false;
    const uint64_t delta = rva - section->virtualAddress;
    const uint64_t start = static_cast<uint64_t>(section->rawOffset) + delta;
    if (length > section->rawSize - delta || !Has(start, length))
        return false;
    offset = static_cast<std::size_t>(start);
    return true;
}

bool CPeImage::Read32At(uint64_t rva, uint32_t& value) const
{
    std::size_t offset = 0;
    if (!FileOffsetOf(rva, 4, offset))
        return false;
    value = U32(offset);
    return true;
}

bool CPeImage::TextAt(uint32_t rva, std::string& text) const
{
    std::size_t offset = 0;
    if (!FileOffsetOf(rva, 1, offset))
        return false;
    const Section& section = *SectionOf(rva);
    const uint64_t sectionEnd = static_cast<uint64_t>(section.rawOffset) + section.rawSize;
    const uint64_t end = std::min<uint64_t>({sectionEnd, m_bytes.size(), offset + kMaxTextLength});
    const auto first = m_bytes.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto last = m_bytes.begin() + static_cast<std::ptrdiff_t>(end);
    const auto nul = std::find(first, last, 0);
    if (nul == last)
        return false;
    text.assign(first, nul);
    return true;
}

bool CPeImage::Has(uint64_t offset, uint64_t length) const
{
    return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
}

uint16_t CPeImage::U16(uint64_t offset) const
{
    if (!Has(offset, 2))
        return 0;
    const std::size_t at = static_cast<std::size_t>(offset);
    return static_cast<uint16_t>(m_bytes[at] | (m_bytes[at + 1] << 8));
}

uint32_t CPeImage::U32(uint64_t offset) const
{
    return Has(offset, 4) ? (U16(offset) | (static_cast<uint32_t>(U16(offset + 2)) << 16)) : 0;
}
