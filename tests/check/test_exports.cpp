// What the export checks make of a library's export name table.
#include "check/checks/ExportChecks.h"
#include "device/TavroDeviceLibrary.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> AllExports()
{
    std::vector<std::string> names;
    for (int id = 0; id < TAVRO_PROCEDURE_COUNT; ++id)
        names.push_back(GetProcedureName(id));
    return names;
}

TEST(ExportChecks, VerdictsOnNameTables)
{
    std::vector<std::string> names = AllExports();
    ExportOutcomes outcomes = CheckExportNames(names);
    EXPECT_EQ(outcomes.required.verdict, CheckVerdict::Pass);
    EXPECT_EQ(outcomes.version.verdict, CheckVerdict::Pass);
    EXPECT_EQ(outcomes.unknown.verdict, CheckVerdict::Pass);

    names.erase(names.begin());  // no version
    names[0] = "_Tavro_GetDeviceName";
    names[1] = "Tavro_GetNumberOfComponents@0";
    names.erase(names.begin() + 2);  // no Tavro_GetComponentName
    names.push_back("_Tavro_Reset@4");
    outcomes = CheckExportNames(names);
    EXPECT_EQ(outcomes.required.verdict, CheckVerdict::Fail);
    EXPECT_EQ(outcomes.required.message,
              "missing: Tavro_GetComponentName; decorated: Tavro_GetDeviceName (exported as _Tavro_GetDeviceName), "
              "Tavro_GetNumberOfComponents (exported as Tavro_GetNumberOfComponents@0)");
    EXPECT_EQ(outcomes.version.verdict, CheckVerdict::Warning);
    EXPECT_EQ(outcomes.unknown.verdict, CheckVerdict::Warning);
    EXPECT_EQ(outcomes.unknown.message, "Tavro_ exports the interface does not know: _Tavro_Reset@4");
}

TEST(ExportChecks, UndecoratedNames)
{
    EXPECT_EQ(UndecoratedName("_Tavro_GetData@4"), "Tavro_GetData");
    EXPECT_EQ(UndecoratedName("@Tavro_GetData@4"), "Tavro_GetData");
    EXPECT_EQ(UndecoratedName("Tavro_GetData"), "Tavro_GetData");
    EXPECT_EQ(UndecoratedName("Tavro_Get@Data"), "Tavro_Get@Data");
}

}  // namespace
