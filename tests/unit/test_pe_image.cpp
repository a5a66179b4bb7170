// The PE reader over an image's bytes: its headers and sections, the import
// table (for the modules a library needs) and the export table (for the
// checker), over images made here and over built libraries.
#include "pe/FileBytes.h"
#include "pe/PeExports.h"
#include "pe/PeImage.h"
#include "pe/PeImports.h"

#include "FixtureLibraries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<unsigned char>& image, std::size_t offset, uint16_t value)
{
    image[offset] = static_cast<unsigned char>(value);
    image[offset + 1] = static_cast<unsigned char>(value >> 8);
}

void Put32(std::vector<unsigned char>& image, std::size_t offset, uint32_t value)
{
    Put16(image, offset, static_cast<uint16_t>(value));
    Put16(image, offset + 2, static_cast<uint16_t>(value >> 16));
}

// A PE32+ image of one section (RVA 0x1000 at file offset 0x200) whose
// import table lists names.
std::vector<unsigned char> ImageImporting(const std::vector<std::string>& names)
{
    std::vector<unsigned char> image(0x400, 0);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, 0x40);
    std::memcpy(&image[0x40], "PE\0\0", 4);
    Put16(image, 0x46, 1);       // sections
    Put16(image, 0x54, 0xF0);    // size of the optional header
    Put16(image, 0x58, 0x20B);   // PE32+
    Put32(image, 0x58 + 108, 16);  // data directories
    Put32(image, 0x58 + 120, 0x1000);  // import table RVA
    const std::size_t section = 0x58 + 0xF0;
    Put32(image, section + 8, 0x200);
    Put32(image, section + 12, 0x1000);
    Put32(image, section + 16, 0x200);
    Put32(image, section + 20, 0x200);
    uint32_t nameRva = 0x1100;
    for (std::size_t i = 0; i < names.size(); ++i) {
        Put32(image, 0x200 + 20 * i + 12, nameRva);
        Put32(image, 0x200 + 20 * i + 16, 0x1180);
        std::memcpy(&image[0x200 + (nameRva - 0x1000)], names[i].c_str(), names[i].size() + 1);
        nameRva += static_cast<uint32_t>(names[i].size() + 1);
    }
    return image;
}

bool ReadImports(const std::vector<unsigned char>& bytes, std::vector<std::string>& names)
{
    return ReadImportedModuleNames(CPeImage(bytes), names);
}

std::vector<unsigned char> FixtureBytes(const std::string& fixture)
{
    std::vector<unsigned char> bytes;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(FixturePath(fixture), bytes, error)) << error;
    return bytes;
}

std::vector<std::string> ExportsOf(const std::string& fixture)
{
    std::vector<std::string> names;
    std::string error;
    EXPECT_TRUE(ReadExportNames(CPeImage(FixtureBytes(fixture)), names, error)) << error;
    return names;
}

}  // namespace

TEST(PeImports, ListsTheImportedModulesInTableOrder)
{
    std::vector<std::string> names;
    EXPECT_TRUE(ReadImports(ImageImporting({"vendorcore.dll", "KERNEL32.dll"}), names));
    EXPECT_EQ((std::vector<std::string>{"vendorcore.dll", "KERNEL32.dll"}), names);
}

TEST(PeImports, RefusesWhatIsNotAWholePeImage)
{
    std::vector<std::string> names;
    EXPECT_FALSE(ReadImports(std::vector<unsigned char>(), names));
    const std::string text = "This is a text file with a .dll name; it is not a library.\n";
    EXPECT_FALSE(ReadImports(std::vector<unsigned char>(text.begin(), text.end()), names));
    // Cut inside the table: the names read so far, and false.
    std::vector<unsigned char> cut = ImageImporting({"vendorcore.dll", "KERNEL32.dll"});
    cut.resize(0x312);
    EXPECT_FALSE(ReadImports(cut, names));
    EXPECT_EQ(std::vector<std::string>{"vendorcore.dll"}, names);
}

TEST(PeImports, LeavesOutPathsAndStopsAtAnEndlessTable)
{
    std::vector<std::string> names;
    EXPECT_TRUE(ReadImports(ImageImporting({"..\\up.dll", "C:/x.dll", "d:e.dll", "ok.dll"}), names));
    EXPECT_EQ(std::vector<std::string>{"ok.dll"}, names);
    // 1025 descriptors, all naming the module that follows them.
    std::vector<unsigned char> endless = ImageImporting({});
    endless.resize(0x200 + 20 * 1026 + 0x200, 0);
    Put32(endless, 0x58 + 0xF0 + 8, static_cast<uint32_t>(endless.size()));
    Put32(endless, 0x58 + 0xF0 + 16, static_cast<uint32_t>(endless.size()));
    std::memcpy(&endless[0x200 + 20 * 1026], "a.dll", 6);
    for (std::size_t i = 0; i < 1025; ++i) {
        Put32(endless, 0x200 + 20 * i + 12, static_cast<uint32_t>(0x1000 + 20 * 1026));
        Put32(endless, 0x200 + 20 * i + 16, 0x1180);
    }
    names.clear();
    EXPECT_FALSE(ReadImports(endless, names));
    EXPECT_EQ(1024u, names.size());
}

TEST(PeImports, ReadsABuiltLibrary)
{
    std::vector<std::string> names;
    EXPECT_TRUE(ReadImports(FixtureBytes("fixture_import"), names));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "vendorcore.dll"));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "KERNEL32.dll"));
}

TEST(PeImports, ReadsNoNameFromBeyondItsSectionsFileData)
{
    std::vector<std::string> names;
    // The names lie past the section's file data, in its zero-filled part.
    std::vector<unsigned char> short_data = ImageImporting({"vendorcore.dll"});
    Put32(short_data, 0x58 + 0xF0 + 16, 0x100);
    EXPECT_FALSE(ReadImports(short_data, names));
    // A second section whose file offset plus the name's place passes 4 GiB:
    // where the sum wraps it lands on the first name, which must not be read.
    std::vector<unsigned char> wrapping = ImageImporting({"vendorcore.dll"});
    Put16(wrapping, 0x46, 2);
    const std::size_t second = 0x58 + 0xF0 + 40;
    Put32(wrapping, second + 8, 0x1000);
    Put32(wrapping, second + 12, 0x2000);
    Put32(wrapping, second + 16, 0x1000);
    Put32(wrapping, second + 20, 0xFFFFFF00u);
    Put32(wrapping, 0x200 + 12, 0x2400);
    EXPECT_FALSE(ReadImports(wrapping, names));
    EXPECT_TRUE(names.empty());
}

TEST(PeExports, ReadsTheNamesOfBuiltLibraries)
{
    EXPECT_EQ(CPeImage(FixtureBytes("fixture_good")).Machine(), sizeof(void*) == 8 ? 0x8664 : 0x14C);
    EXPECT_EQ(ExportsOf("fixture_good").size(), 14u);
    const std::vector<std::string> decorated = ExportsOf("fixture_decorated_export");
    EXPECT_EQ(decorated.size(), 14u);
    EXPECT_EQ(decorated.back(), "_Tavro_GetDeviceName@8");
    // An import table is no export table.
    std::vector<std::string> names;
    std::string error;
    EXPECT_TRUE(ReadExportNames(CPeImage(ImageImporting({"vendorcore.dll"})), names, error)) << error;
    EXPECT_TRUE(names.empty());
}

TEST(PeExports, RejectsWhatIsNotAPeFile)
{
    std::vector<std::string> names;
    std::string error;
    std::vector<unsigned char> bytes(200, 0);
    EXPECT_FALSE(ReadExportNames(CPeImage(bytes), names, error));
    EXPECT_EQ(error, "not a PE file (no MZ header)");
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = 0xF0;  // the PE header would lie past the end
    EXPECT_FALSE(ReadExportNames(CPeImage(bytes), names, error));
    EXPECT_EQ(error, "not a PE file (no PE signature)");
    std::vector<unsigned char> unknown = ImageImporting({});
    Put16(unknown, 0x58, 0x107);
    EXPECT_FALSE(ReadExportNames(CPeImage(unknown), names, error));
    EXPECT_EQ(error, "not a PE file (unknown optional header)");
}
