#include "output/CrashReport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Report(unsigned long code, const char* path, std::size_t size = 512)
{
    std::string buffer(size, '#');
    const std::size_t length = FormatCrashReport(code, path, &buffer[0], size);
    EXPECT_EQ('\0', buffer[length]);
    return buffer.substr(0, length);
}

}  // namespace

TEST(CrashReport, NamesTheCodeInUpperCaseHexAndTheLibrary)
{
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 while testing Tavro device library C:\\x\\100% a.dll\n",
              Report(0xC0000005ul, "C:\\x\\100% a.dll"));
    EXPECT_EQ("ERROR: unhandled exception 0x0000ABCD\n", Report(0xABCDul, nullptr));
    EXPECT_EQ("ERROR: unhandled exception 0xFFFFFFFF\n", Report(0xFFFFFFFFul, nullptr));
}

TEST(CrashReport, IsCutToTheBufferWithoutWritingPastIt)
{
    EXPECT_EQ("ERROR: unh", Report(0xC0000005ul, "C:\\lib.dll", 11));
    std::string one(1, '#');
    EXPECT_EQ(0u, FormatCrashReport(1, nullptr, &one[0], 1));
    EXPECT_EQ('\0', one[0]);
}
