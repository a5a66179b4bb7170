#include "app/AppFramework.h"

#include <gtest/gtest.h>

TEST(AppFramework, InitialisesWithTheProgramsModuleAndCommandLine)
{
    EXPECT_TRUE(InitApplicationFramework(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), 0));
    // The current folder is no longer searched for a library's dependencies.
    char folder[MAX_PATH] = "unchanged";
    GetDllDirectoryA(sizeof folder, folder);
    EXPECT_STREQ("", folder);
}

TEST(AppFramework, FailsWithoutAModuleOrACommandLine)
{
    EXPECT_FALSE(InitApplicationFramework(nullptr, nullptr, GetCommandLineA(), 0));
    EXPECT_FALSE(InitApplicationFramework(GetModuleHandleA(nullptr), nullptr, nullptr, 0));
}
