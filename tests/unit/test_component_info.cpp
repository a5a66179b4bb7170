#include "device/TavroComponentInfo.h"

#include <gtest/gtest.h>

TEST(ComponentInfo, DescribesItselfInFourLines)
{
    const CTavroComponentInfo component("T", "K", 6, 2, 0);
    EXPECT_EQ("Component name: T\nComponent data type: Double\nComponent units: K\nComponent precision: 2\n",
              component.GetDescription());
    const CTavroComponentInfo unitless("N", "", 3, -7, 4);
    EXPECT_EQ("Component name: N\nComponent data type: Unsigned Long\nComponent units: \nComponent precision: -7\n",
              unitless.GetDescription());
}

TEST(ComponentInfo, DataTypeNames)
{
    const char* const names[] = {"Unknown", "Unsigned Long Long", "Long Long", "Unsigned Long", "Long",
                                 "Float",   "Double",             "String",    "Unknown"};
    for (int32_t code = 0; code <= 8; ++code)
        EXPECT_EQ(names[code], CTavroComponentInfo("c", "", code, 0, 0).GetDataTypeName()) << code;
    EXPECT_EQ("Unknown", CTavroComponentInfo("c", "", -1, 0, 0).GetDataTypeName());
}

TEST(ComponentInfo, UnitsAndPrecisionChangeButNothingElse)
{
    CTavroComponentInfo component("T", "K", 6, 2, 5);
    component.SetUnits("mK");
    component.SetPrecision(0);
    EXPECT_EQ("Component name: T\nComponent data type: Double\nComponent units: mK\nComponent precision: 0\n",
              component.GetDescription());
    EXPECT_EQ(5, component.GetIndex());
    EXPECT_EQ(6, component.GetDataType());
}
