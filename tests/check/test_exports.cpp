// The export table as the file has it, and what the export checks make of it.
#include "check/ExportChecks.h"
#include "check/PeExports.h"
#include "device/TavroDeviceLibrary.h"

#include <gtest/gtest.h>

namespace {

PeExports Read(const std::string& fixture)
{
    std::vector<unsigned char> bytes;
    std::string error;
    PeExports exports;
    EXPECT_TRUE(ReadWholeFile(std::string(TAVRO_FIXTURE_DIR) + "/" + fixture + ".dll", bytes, error)) << error;
    EXPECT_TRUE(ReadPeExports(bytes, exports, error)) << error;
    return exports;
}

TEST(PeExports, ReadsTheNamesOfBuiltLibraries)
{
    const PeExports good = Read("fixture_good");
    EXPECT_EQ(good.machine, sizeof(void*) == 8 ? 0x8664 : 0x14C);
    EXPECT_EQ(good.names.size(), 14u);
    const PeExports decorated = Read("fixture_decorated_export");
    EXPECT_EQ(decorated.names.size(), 14u);
    EXPECT_EQ(decorated.names.back(), "_Tavro_GetDeviceName@8");
}

TEST(PeExports, RejectsWhatIsNotAPeFile)
{
    PeExports exports;
    std::string error;
    std::vector<unsigned char> bytes(200, 0);
    EXPECT_FALSE(ReadPeExports(bytes, exports, error));
    EXPECT_EQ(error, "not a PE file (no MZ header)");
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = 0xF0;  // the PE header would lie past the end
    EXPECT_FALSE(ReadPeExports(bytes, exports, error));
    EXPECT_EQ(error, "not a PE file (no PE signature)");
}

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
