// The export names of a PE file (a DLL), read from the file's bytes with
// portable code, so that the names are seen exactly as the file has them:
// decorated ones (_Tavro_X@8) too, which GetProcAddress would not find.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PeExports {
    uint16_t machine = 0;            // 0x8664 x86-64, 0x14C i386
    std::vector<std::string> names;  // the export name table, in file order
};

// Reads the export names of the PE image in bytes. On failure returns
// false with error saying what is wrong with the file.
bool ReadPeExports(const std::vector<unsigned char>& bytes, PeExports& exports, std::string& error);

// The whole file; false (error set) when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error);
