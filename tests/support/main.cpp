// Entry of a GoogleTest program of the project.
#include "GTestPrinter.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    UseEmulationSafeResultPrinter();
    return RUN_ALL_TESTS();
}
