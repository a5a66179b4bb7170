#include "guard/CrashReport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Report(unsigned long code, const char* faulting, const char* tested, std::size_t size = 512)
{
    std::string buffer(size, '#');
    const std::size_t length = FormatCrashReport(code, faulting, tested, &buffer[0], size);
    EXPECT_EQ('\0', buffer[length]);
    return buffer.substr(0, length);
}

}  // namespace

TEST(CrashReport, NamesTheCodeInUpperCaseHexAndTheLibrary)
{
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 while testing Tavro device library C:\\x\\100% a.dll\n",
              Report(0xC0000005ul, nullptr, "C:\\x\\100% a.dll"));
    EXPECT_EQ("ERROR: unhandled exception 0x0000ABCD\n", Report(0xABCDul, nullptr, nullptr));
    EXPECT_EQ("ERROR: unhandled exception 0xFFFFFFFF\n", Report(0xFFFFFFFFul, nullptr, nullptr));
}

TEST(CrashReport, NamesTheFaultingLibraryBeforeTheOneUnderTest)
{
    EXPECT_EQ("ERROR: unhandled exception 0xC0000005 in Tavro device library C:\\a.dll while testing "
              "Tavro device library C:\\b.dll\n",
              Report(0xC0000005ul, "C:\\a.dll", "C:\\b.dll"));
    EXPECT_EQ("ERROR: unhandled exception 0xC00000FD in Tavro device library C:\\a.dll\n",
              Report(0xC00000FDul, "C:\\a.dll", nullptr));
}

TEST(CrashReport, IsCutToTheBufferWithoutWritingPastIt)
{
    EXPECT_EQ("ERROR: unh", Report(0xC0000005ul, "C:\\a.dll", "C:\\lib.dll", 11));
    std::string one(1, '#');
    EXPECT_EQ(0u, FormatCrashReport(1, nullptr, nullptr, &one[0], 1));
    EXPECT_EQ('\0', one[0]);
}

TEST(CrashReport, ProcessEndNamesTheLibraryAndTheExitCode)
{
    char buffer[128];
    const std::size_t length = FormatProcessEndReport("C:\\x\\a.dll", 4294967295ul, buffer, sizeof buffer);
    EXPECT_EQ("ERROR: Tavro device library C:\\x\\a.dll ended the process with exit code 4294967295\n",
              std::string(buffer, length));
    EXPECT_EQ("ERROR: Tavro device library C:\\a.dll ended the process with exit code 0\n",
              std::string(buffer, FormatProcessEndReport("C:\\a.dll", 0, buffer, sizeof buffer)));
}
