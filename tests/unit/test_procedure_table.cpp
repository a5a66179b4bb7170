// The table of a library's procedures: bound by export name, called by
// identifier with the procedure's own types.
#include "device/ProcedureTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TavroDataRecord g_record = {42, nullptr};
int32_t g_askedFor = 0;

const TavroDataRecord* TAVRO_CALL GetData(int32_t count)
{
    g_askedFor = count;
    return &g_record;
}

void TAVRO_CALL Other() {}

// Binds every name to Other, GetData's to GetData, and the names in
// missing to nothing.
bool BindAllBut(CProcedureTable& table, const std::string& missing)
{
    return table.Bind([&](const char* name) -> TavroProcAddress {
        if (missing.find(name) != std::string::npos)
            return nullptr;
        if (std::string(name) == "Tavro_GetData")
            return reinterpret_cast<TavroProcAddress>(&GetData);
        return &Other;
    });
}

}  // namespace

TEST(ProcedureTable, CallsTheProcedureBoundToTheExportName)
{
    CProcedureTable table;
    EXPECT_FALSE(table.Has(TavroProc_GetData));
    ASSERT_TRUE(BindAllBut(table, ""));
    const TavroDataRecord* record = table.Call<TavroProc_GetData>(7);
    EXPECT_EQ(&g_record, record);
    EXPECT_EQ(7, g_askedFor);
}

TEST(ProcedureTable, OnlyTheVersionIsOptional)
{
    CProcedureTable table;
    EXPECT_TRUE(BindAllBut(table, "Tavro_GetDeviceLibraryVersion"));
    EXPECT_FALSE(table.Has(TavroProc_GetDeviceLibraryVersion));
    EXPECT_TRUE(table.Has(TavroProc_SetCallbackInfo));
    EXPECT_FALSE(BindAllBut(table, "Tavro_StopExperiment"));
    EXPECT_FALSE(table.Has(TavroProc_StopExperiment));
    EXPECT_TRUE(table.Has(TavroProc_GetDeviceLibraryVersion));
}
