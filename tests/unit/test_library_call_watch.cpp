#include "guard/LibraryCallWatch.h"
#include "guard/LibraryHooks.h"
#include "guard/Watchdog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A watch and the record it looks at, as the child writes it.
class LibraryCallWatchTest : public ::testing::Test {
protected:
    LibraryCallWatchTest() : m_record(), m_recorder(m_record), m_watch(30000) {}

    // The warnings due when the watch looks every 250 ms from start to end.
    std::vector<std::string> WarningsBetween(uint32_t start, uint32_t end, const std::string& library = "a.dll")
    {
        std::vector<std::string> warnings;
        std::string warning;
        for (uint32_t now = start; now != end; now += 250) {
            if (m_watch.DueWarning(m_record, library, now, warning))
                warnings.push_back(warning);
        }
        return warnings;
    }

    LibraryCallRecord m_record;
    CLibraryCallRecorder m_recorder;
    CLibraryCallWatch m_watch;
};

}  // namespace

TEST_F(LibraryCallWatchTest, WarnsAfterThirtySecondsThenAtDoublingIntervalsAndKeepsWaiting)
{
    // Near the wrap of the tick count: the difference is still right.
    const uint32_t start = 0xFFFFF000u;
    WarningsBetween(start - 1000, start);
    m_recorder.Begin(TavroProc_GetLastData, start);
    const std::vector<std::string> warnings = WarningsBetween(start, start + 239000, "C:\\T\\a.dll");
    ASSERT_EQ(3u, warnings.size());
    EXPECT_EQ("WARNING: Tavro device library C:\\T\\a.dll has not returned from Tavro_GetLastData for 30 s\n",
              warnings[0]);
    EXPECT_NE(std::string::npos, warnings[1].find(" for 60 s\n"));
    EXPECT_NE(std::string::npos, warnings[2].find(" for 120 s\n"));
    EXPECT_EQ(1u, WarningsBetween(start + 239000, start + 479000).size());  // 240 s
}

TEST_F(LibraryCallWatchTest, SaysNothingForCallsThatReturnInTime)
{
    std::string warning;
    for (uint32_t call = 0; call < 10; ++call) {
        m_recorder.Begin(TavroProc_GetLastData, call * 29000);
        EXPECT_FALSE(m_watch.DueWarning(m_record, "a.dll", call * 29000 + 28999, warning));
        m_recorder.End();
    }
    EXPECT_TRUE(WarningsBetween(290000, 400000).empty());
}

TEST_F(LibraryCallWatchTest, EachNewCallStartsFromTheFirstWarningAndNamesItsKind)
{
    std::string warning;
    m_watch.DueWarning(m_record, "a.dll", 0, warning);
    m_recorder.Begin(kCallLoading, 0);
    EXPECT_TRUE(m_watch.DueWarning(m_record, "a.dll", 61000, warning));
    EXPECT_EQ("WARNING: Tavro device library a.dll has not returned from loading for 30 s\n", warning);
    m_recorder.End();
    m_recorder.Begin(kCallWindowMessage, 100000);
    EXPECT_FALSE(m_watch.DueWarning(m_record, "b.dll", 129999, warning));
    ASSERT_TRUE(m_watch.DueWarning(m_record, "b.dll", 130000, warning));
    EXPECT_EQ("WARNING: Tavro device library b.dll has not returned from a window message for 30 s\n", warning);
    m_recorder.End();
    m_recorder.Begin(kCallUnloading, 200000);
    ASSERT_TRUE(m_watch.DueWarning(m_record, "b.dll", 230000, warning));
    EXPECT_EQ("WARNING: Tavro device library b.dll has not returned from unloading for 30 s\n", warning);
}

TEST_F(LibraryCallWatchTest, AStartTimeOrCallThatALibraryWroteCannotBringAWarningForwardOrNameGarbage)
{
    std::string warning;
    m_watch.DueWarning(m_record, "a.dll", 100000, warning);
    // A start long before the last look: counted from the look that saw it.
    m_recorder.Begin(TavroProc_PrepareExperiment, 1000);
    EXPECT_FALSE(m_watch.DueWarning(m_record, "a.dll", 100250, warning));
    EXPECT_FALSE(m_watch.DueWarning(m_record, "a.dll", 130000, warning));
    EXPECT_TRUE(m_watch.DueWarning(m_record, "a.dll", 130250, warning));
    m_recorder.End();
    // A call that is no call has no name to print.
    m_recorder.Begin(12345, 140000);
    EXPECT_TRUE(WarningsBetween(140000, 400000).empty());
}

TEST(FirstWarning, MovesOnlyForOneToThirtyWholeSeconds)
{
    EXPECT_EQ(30000u, FirstWarningMs(nullptr));
    EXPECT_EQ(1000u, FirstWarningMs("1"));
    EXPECT_EQ(30000u, FirstWarningMs("30"));
    for (const char* ignored : {"", "0", "31", "abc", "5s", "-1"})
        EXPECT_EQ(30000u, FirstWarningMs(ignored)) << ignored;
}
