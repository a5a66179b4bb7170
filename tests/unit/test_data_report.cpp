#include "FakeDevice.h"
#include "OutputCapture.h"
#include "app/DataReport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <limits>

namespace {

TavroValue Slot()
{
    TavroValue value;
    std::memset(&value, 0, sizeof value);
    return value;
}

TavroValue DoubleSlot(double d)
{
    TavroValue value = Slot();
    value.doubleValue = d;
    return value;
}

uint64_t FileTimeOfLocal(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME local = {};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    local.wSecond = second;
    local.wMilliseconds = 999;
    SYSTEMTIME utc;
    FILETIME fileTime;
    EXPECT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
    EXPECT_TRUE(SystemTimeToFileTime(&utc, &fileTime));
    return (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

}  // namespace

TEST(FormatValue, FloatingPointInGeneralNotationWithSixDigits)
{
    EXPECT_EQ("1e+06", FormatValue(DoubleSlot(1e6), TavroData_Double));
    EXPECT_EQ("1.23457e+07", FormatValue(DoubleSlot(12345678.0), TavroData_Double));
    EXPECT_EQ("100000", FormatValue(DoubleSlot(100000.0), TavroData_Double));
    EXPECT_EQ("0.5", FormatValue(DoubleSlot(0.5), TavroData_Double));
    EXPECT_EQ("23.4568", FormatValue(DoubleSlot(23.456789), TavroData_Double));
    EXPECT_EQ("2.5", FormatValue(DoubleSlot(2.5), TavroData_Double));
    EXPECT_EQ("1e-05", FormatValue(DoubleSlot(0.00001), TavroData_Double));
    TavroValue single = Slot();
    single.floatValue = 0.1f;  // widened: 0.100000001490116 shows as 0.1
    EXPECT_EQ("0.1", FormatValue(single, TavroData_Float));
    single.floatValue = 3.14159274f;
    EXPECT_EQ("3.14159", FormatValue(single, TavroData_Float));
}

TEST(FormatValue, IntegersReadOnlyTheBytesTheirTypeNames)
{
    TavroValue value = Slot();
    value.unsignedLongLong = 0xDEADBEEF00000007ull;
    EXPECT_EQ("7", FormatValue(value, TavroData_UnsignedLong));
    EXPECT_EQ("16045690981097406471", FormatValue(value, TavroData_UnsignedLongLong));
    value.unsignedLongLong = 0x00000000FFFFFFFFull;
    EXPECT_EQ("-1", FormatValue(value, TavroData_Long));
    EXPECT_EQ("4294967295", FormatValue(value, TavroData_UnsignedLong));
    value.longLong = -1234567890123ll;
    EXPECT_EQ("-1234567890123", FormatValue(value, TavroData_LongLong));
    value.longLong = std::numeric_limits<int64_t>::min();
    EXPECT_EQ("-9223372036854775808", FormatValue(value, TavroData_LongLong));
}

TEST(FormatValue, StringsAreWrittenUnchangedAndANullPointerAsNull)
{
    TavroValue value = Slot();
    value.stringValue = "50% %s %d";
    EXPECT_EQ("50% %s %d", FormatValue(value, TavroData_String));
    value.stringValue = "";
    EXPECT_EQ("", FormatValue(value, TavroData_String));
    value.stringValue = nullptr;
    EXPECT_EQ("(null)", FormatValue(value, TavroData_String));
}

TEST(FormatAcquisitionTime, MonthFirstWithZeroFilledFields)
{
    EXPECT_EQ("Acquisition Time: 03/05/2026 08:04:09\n",
              FormatAcquisitionTime(FileTimeOfLocal(2026, 3, 5, 8, 4, 9)));
    EXPECT_EQ("Acquisition Time: 12/31/1999 23:59:59\n",
              FormatAcquisitionTime(FileTimeOfLocal(1999, 12, 31, 23, 59, 59)));
}

TEST(FormatAcquisitionTime, ATimeThatCannotBeConvertedShowsZeros)
{
    EXPECT_EQ("Acquisition Time: 00/00/0000 00:00:00\n", FormatAcquisitionTime(1ull << 63));
    EXPECT_EQ("Acquisition Time: 00/00/0000 00:00:00\n", FormatAcquisitionTime(~0ull));
}

TEST(ReportLastData, PrintsTheTimeAndOneLinePerComponentIndented)
{
    OutputCapture capture;
    boost::shared_ptr<FakeDevice> device(new FakeDevice);
    device->AddComponent("Voltage", "V", TavroData_Double);
    device->AddComponent("State", "u", TavroData_String);
    device->AddComponent("Count", "n", TavroData_UnsignedLong);
    device->record.acquisitionTime = FileTimeOfLocal(2026, 3, 5, 8, 4, 9);
    TavroValue state = Slot();
    state.stringValue = "";
    TavroValue count = Slot();
    count.unsignedLongLong = 0xFFFFFFFF00000003ull;
    device->record.values = {DoubleSlot(1e6), state, count};

    ReportLastData(device);

    const std::string expected = Crlf("  Acquisition Time: 03/05/2026 08:04:09\n"
                                      "  Voltage 1e+06 V\n"
                                      "  State  u\n"
                                      "  Count 3 n\n"
                                      "  \n");
    EXPECT_EQ(expected, capture.Console());
    EXPECT_EQ(expected, capture.Log());
}

TEST(ReportLastData, ADeviceWithoutComponentsPrintsTheTimeAndTheEmptyLine)
{
    OutputCapture capture;
    boost::shared_ptr<FakeDevice> device(new FakeDevice);
    device->record.acquisitionTime = FileTimeOfLocal(2026, 3, 5, 8, 4, 9);
    ReportLastData(device);
    EXPECT_EQ(Crlf("  Acquisition Time: 03/05/2026 08:04:09\n  \n"), capture.Console());
}

TEST(ReportLastData, NoRecordPrintsNothing)
{
    OutputCapture capture;
    boost::shared_ptr<FakeDevice> device(new FakeDevice);
    device->offerRecords = false;
    ReportLastData(device);
    ReportLastData(TavroDevicePtr());
    EXPECT_EQ("", capture.Console());
    EXPECT_EQ("", capture.Log());
}
