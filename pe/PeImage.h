// The headers of a PE image (a DLL or program file) read from the file's
// bytes with portable code, no loader involved: DOS and NT headers of PE32
// and PE32+, the data directories and the section table. Every read is
// checked against the bytes, so a damaged or hostile file gives an error,
// never a read outside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CPeImage {
public:
    // Index of a data directory.
    enum Directory { ExportDirectory = 0, ImportDirectory = 1 };
    // The loader takes no more sections than this; more are not read.
    static constexpr std::size_t kMaxSections = 96;
    // A text longer than this is not a name but a damaged table.
    static constexpr std::size_t kMaxTextLength = 4096;

    // Reads the headers of bytes (kept by the image); Error() says what is
    // wrong when they are not a PE image's.
    explicit CPeImage(std::vector<unsigned char> bytes);

    bool IsValid() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }
    // 0x8664 x86-64, 0x14C i386.
    uint16_t Machine() const { return m_machine; }

    // The RVA of a data directory; 0 when the image has none there.
    uint32_t DirectoryRva(Directory index) const;
    // The file offset of the length bytes at rva: false unless they lie in
    // the file data of one section and inside the file.
    bool FileOffsetOf(uint64_t rva, uint64_t length, std::size_t& offset) const;
    // The little-endian value at rva; false when it is outside (see above).
    bool Read32At(uint64_t rva, uint32_t& value) const;
    // The NUL-terminated text at rva; false when it does not end inside its
    // section's file data within kMaxTextLength characters.
    bool TextAt(uint32_t rva, std::string& text) const;

private:
    struct Section {
        uint32_t virtualAddress, rawOffset, rawSize;
    };

    bool ReadHeaders();
    void ReadSections(uint64_t table, uint16_t count);
    bool Has(uint64_t offset, uint64_t length) const;
    uint16_t U16(uint64_t offset) const;
    uint32_t U32(uint64_t offset) const;
    // The section whose file data hold rva, or null.
    const Section* SectionOf(uint64_t rva) const;

    std::vector<unsigned char> m_bytes;
    std::string m_error;
    uint16_t m_machine = 0;
    std::vector<uint32_t> m_directories;
    std::vector<Section> m_sections;
};
