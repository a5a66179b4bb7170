#include "guard/LibraryCallWatch.h"
#include "guard/Watchdog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The warnings due when the watchdog looks every 250 ms from start to end.
std::vector<std::string> WarningsBetween(CLibraryCallWatch& watch, uint32_t start, uint32_t end)
{
    std::vector<std::string> warnings;
    std::string warning;
    for (uint32_t now = start; now != end; now += 250) {
        if (watch.DueWarning(now, warning))
            warnings.push_back(warning);
    }
    return warnings;
}

}  // namespace

TEST(LibraryCallWatch, WarnsAfterThirtySecondsThenAtDoublingIntervalsAndKeepsWaiting)
{
    CLibraryCallWatch watch(30000);
    // Near the wrap of the tick count: the difference is still right.
    const uint32_t start = 0xFFFFF000u;
    watch.Begin("C:\\T\\a.dll", "Tavro_GetLastData", start);
    const std::vector<std::string> warnings = WarningsBetween(watch, start, start + 239000);
    ASSERT_EQ(3u, warnings.size());
    EXPECT_EQ("WARNING: Tavro device library C:\\T\\a.dll has not returned from Tavro_GetLastData for 30 s\n",
              warnings[0]);
    EXPECT_NE(std::string::npos, warnings[1].find(" for 60 s\n"));
    EXPECT_NE(std::string::npos, warnings[2].find(" for 120 s\n"));
    EXPECT_EQ(1u, WarningsBetween(watch, start + 239000, start + 479000).size());  // 240 s
}

TEST(LibraryCallWatch, SaysNothingForCallsThatReturnInTime)
{
    CLibraryCallWatch watch(30000);
    std::string warning;
    for (uint32_t call = 0; call < 10; ++call) {
        watch.Begin("a.dll", "Tavro_GetLastData", call * 29000);
        EXPECT_FALSE(watch.DueWarning(call * 29000 + 28999, warning));
        watch.End();
    }
    EXPECT_TRUE(WarningsBetween(watch, 290000, 400000).empty());
}

TEST(LibraryCallWatch, EachNewCallStartsFromTheFirstWarning)
{
    CLibraryCallWatch watch(30000);
    std::string warning;
    watch.Begin("a.dll", "loading", 0);
    EXPECT_TRUE(watch.DueWarning(61000, warning));
    watch.End();
    watch.Begin("b.dll", "a window message", 100000);
    EXPECT_FALSE(watch.DueWarning(129999, warning));
    ASSERT_TRUE(watch.DueWarning(130000, warning));
    EXPECT_EQ("WARNING: Tavro device library b.dll has not returned from a window message for 30 s\n", warning);
}

TEST(LibraryCallWatch, TheFirstWarningMovesOnlyForOneToThirtyWholeSeconds)
{
    EXPECT_EQ(30000u, FirstWarningMs(nullptr));
    EXPECT_EQ(1000u, FirstWarningMs("1"));
    EXPECT_EQ(30000u, FirstWarningMs("30"));
    for (const char* ignored : {"", "0", "31", "abc", "5s", "-1"})
        EXPECT_EQ(30000u, FirstWarningMs(ignored)) << ignored;
}
