// The data report builds its text with std::to_chars and plain appends; what
// it prints must stay byte for byte what an ostream in the classic locale
// prints. These tests hold it against such a stream (the reference below)
// over many values, and check the indenting of long and aliased texts.
#include "FakeDevice.h"
#include "OutputCapture.h"
#include "app/DataReport.h"
#include "output/ConsoleLog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstring>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>

namespace {

// --- The reference: the report as an ostream writes it ----------------------

std::string StreamValue(const TavroValue& value, int32_t dataType)
{
    std::ostringstream out;
    switch (dataType) {
    case TavroData_UnsignedLongLong: out << value.unsignedLongLong; break;
    case TavroData_LongLong: out << value.longLong; break;
    case TavroData_UnsignedLong: out << value.unsignedLong; break;
    case TavroData_Long: out << value.longValue; break;
    case TavroData_Float: out << static_cast<double>(value.floatValue); break;
    case TavroData_Double: out << value.doubleValue; break;
    case TavroData_String: out << (value.stringValue ? value.stringValue : "(null)"); break;
    default: break;
    }
    return out.str();
}

std::string StreamTime(uint64_t fileTime)
{
    FILETIME utcFileTime;
    utcFileTime.dwLowDateTime = static_cast<DWORD>(fileTime & 0xFFFFFFFFu);
    utcFileTime.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    SYSTEMTIME utc = {};
    SYSTEMTIME local = {};
    if (!FileTimeToSystemTime(&utcFileTime, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        local = SYSTEMTIME();
    std::ostringstream line;
    line << std::setfill('0') << "Acquisition Time: " << std::setw(2) << local.wMonth << "/"
         << std::setw(2) << local.wDay << "/" << std::setw(4) << local.wYear << " "
         << std::setw(2) << local.wHour << ":" << std::setw(2) << local.wMinute << ":"
         << std::setw(2) << local.wSecond << "\n";
    return line.str();
}

std::string StreamBlock(I_TavroDevice& device, const DataRecord& record)
{
    std::ostringstream block;
    block << StreamTime(record.acquisitionTime);
    for (int32_t i = 0; i < device.GetNumberOfComponents(); ++i) {
        const boost::shared_ptr<CTavroComponentInfo> component = device.GetComponent(i);
        if (!component || static_cast<std::size_t>(i) >= record.values.size())
            break;
        block << component->GetName() << " "
              << StreamValue(record.values[static_cast<std::size_t>(i)], component->GetDataType())
              << " " << component->GetUnits() << "\n";
    }
    block << "\n";
    return block.str();
}

TavroValue Bits(uint64_t bits)
{
    TavroValue value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TavroValue OfDouble(double d)
{
    TavroValue value = Bits(0);
    value.doubleValue = d;
    return value;
}

TavroValue OfFloat(float f)
{
    TavroValue value = Bits(0);
    value.floatValue = f;
    return value;
}

// Counts mismatches and reports the first few, so that one fault does not
// flood the output with thousands of lines.
class Mismatches {
public:
    void Check(const TavroValue& value, int32_t type)
    {
        const std::string expected = StreamValue(value, type);
        const std::string actual = FormatValue(value, type);
        if (actual == expected)
            return;
        if (++m_count <= 5) {
            uint64_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            ADD_FAILURE() << "type " << type << ", bits 0x" << std::hex << bits << ": \"" << actual
                          << "\" instead of \"" << expected << "\"";
        }
    }
    int Count() const { return m_count; }

private:
    int m_count = 0;
};

}  // namespace

TEST(ReportFormatting, FloatingPointSpecialValuesAsTheStreamPrintsThem)
{
    const double doubles[] = {0.0,
                              -0.0,
                              1.0,
                              -1.0,
                              0.1,
                              1e-5,
                              1e-4,
                              0.0001234565,
                              999999.0,
                              999999.5,
                              9999995.0,
                              1e6,
                              123456.5,
                              -2.5,
                              100000.0,
                              1e15,
                              1e16,
                              1e100,
                              1e-300,
                              std::numeric_limits<double>::min(),
                              std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::lowest(),
                              std::numeric_limits<double>::epsilon(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN(),
                              -std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::signaling_NaN()};
    Mismatches mismatches;
    for (double d : doubles) {
        mismatches.Check(OfDouble(d), TavroData_Double);
        mismatches.Check(OfFloat(static_cast<float>(d)), TavroData_Float);
    }
    const float floats[] = {std::numeric_limits<float>::min(), std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::denorm_min(), 0.1f, 3.14159274f, 100.125f,
                            16777216.0f, 16777217.0f};
    for (float f : floats)
        mismatches.Check(OfFloat(f), TavroData_Float);
    EXPECT_EQ(mismatches.Count(), 0);
    // Negative NaN: the stream's spelling, whatever the platform's is.
    EXPECT_EQ(FormatValue(OfDouble(-std::numeric_limits<double>::quiet_NaN()), TavroData_Double),
              StreamValue(OfDouble(-std::numeric_limits<double>::quiet_NaN()), TavroData_Double));
}

TEST(ReportFormatting, RandomBitPatternsOfEveryTypeAsTheStreamPrintsThem)
{
    std::mt19937_64 random(20260307);
    Mismatches mismatches;
    for (int i = 0; i < 100000; ++i) {
        const TavroValue value = Bits(random());
        for (int32_t type = 0; type <= 8; ++type) {
            if (type != TavroData_String)
                mismatches.Check(value, type);
        }
    }
    EXPECT_EQ(mismatches.Count(), 0);
}

TEST(ReportFormatting, RoundingAtTheSixthDigitAsTheStreamDoesIt)
{
    // Values near the rounding point of %g with six digits: n + 0.5 units of
    // the sixth digit and their neighbours, at many magnitudes.
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int> mantissa(100000, 999999);
    std::uniform_int_distribution<int> exponent(-40, 40);
    Mismatches mismatches;
    for (int i = 0; i < 50000; ++i) {
        const double tie = (mantissa(random) + 0.5) * std::pow(10.0, exponent(random));
        for (double d : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300), -tie}) {
            mismatches.Check(OfDouble(d), TavroData_Double);
            mismatches.Check(OfFloat(static_cast<float>(d)), TavroData_Float);
        }
    }
    EXPECT_EQ(mismatches.Count(), 0);
}

TEST(ReportFormatting, IntegerLimitsAsTheStreamPrintsThem)
{
    Mismatches mismatches;
    for (uint64_t bits : {0x0ull, 0x1ull, 0x7FFFFFFFull, 0x80000000ull, 0xFFFFFFFFull,
                          0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull, 0xFFFFFFFFFFFFFFFFull,
                          0xDEADBEEF00000007ull, 1000000000000ull, 999999999999999999ull}) {
        for (int32_t type : {TavroData_UnsignedLongLong, TavroData_LongLong,
                             TavroData_UnsignedLong, TavroData_Long})
            mismatches.Check(Bits(bits), type);
    }
    EXPECT_EQ(mismatches.Count(), 0);
}

TEST(ReportFormatting, AcquisitionTimesAsTheStreamPrintsThem)
{
    std::mt19937_64 random(1601);
    // Whole range of valid FILETIMEs (below 2^63) and beyond it.
    std::uniform_int_distribution<uint64_t> anyTime(0, ~0ull);
    std::uniform_int_distribution<uint64_t> validTime(0, 0x7FFFFFFFFFFFFFFFull);
    int mismatches = 0;
    for (int i = 0; i < 2000; ++i) {
        const uint64_t fileTime = (i % 4 == 0) ? anyTime(random) : validTime(random);
        const std::string expected = StreamTime(fileTime);
        const std::string actual = FormatAcquisitionTime(fileTime);
        if (actual != expected && ++mismatches <= 5)
            ADD_FAILURE() << fileTime << ": \"" << actual << "\" instead of \"" << expected << "\"";
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(FormatAcquisitionTime(0), StreamTime(0));
}

TEST(ReportFormatting, ABlockOfTenThousandComponentsOfEveryKind)
{
    boost::shared_ptr<FakeDevice> device(new FakeDevice);
    std::mt19937_64 random(10000);
    std::vector<std::string> texts;
    texts.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        // Types 0 and 8 are not valid: they print no value, as before.
        const int32_t type = i % 9;
        device->AddComponent("Component " + std::to_string(i), i % 5 ? "unit" : "", type);
        TavroValue value = Bits(random());
        if (type == TavroData_String) {
            if (i % 3 == 0) {
                value.stringValue = nullptr;
            } else {
                texts.push_back("text " + std::to_string(random() % 1000) + " 50% done");
                value.stringValue = texts.back().c_str();
            }
        } else if (type == TavroData_Double && i % 2) {
            value = OfDouble(static_cast<double>(random() % 2000000) / 64.0 - 15000.0);
        }
        device->record.values.push_back(value);
    }
    device->record.acquisitionTime = 132223104001234567ull;

    EXPECT_EQ(FormatDataRecord(*device, device->record), StreamBlock(*device, device->record));

    // Fewer values than components: the block ends with the last value.
    device->record.values.resize(4321);
    EXPECT_EQ(FormatDataRecord(*device, device->record), StreamBlock(*device, device->record));
}

TEST(ReportFormatting, ReportLastDataWritesTheWholeLargeBlockToConsoleAndLog)
{
    OutputCapture capture;
    boost::shared_ptr<FakeDevice> device(new FakeDevice);
    for (int i = 0; i < 3000; ++i) {
        device->AddComponent("Channel " + std::to_string(i), "V", TavroData_Double);
        device->record.values.push_back(OfDouble(i * 0.001 - 1.0));
    }
    device->record.acquisitionTime = 132223104001234567ull;

    ReportLastData(device);
    ReportLastData(device);

    std::string indented;
    const std::string block = StreamBlock(*device, device->record);
    for (std::size_t start = 0; start < block.size();) {
        const std::size_t end = block.find('\n', start) + 1;
        indented += "  " + block.substr(start, end - start);
        start = end;
    }
    const std::string expected = Crlf(indented + indented);
    EXPECT_EQ(capture.Console(), expected);
    EXPECT_EQ(capture.Log(), expected);
}

TEST(IndentLines, TextAndOutMayBeTheSameString)
{
    std::string text = "one\ntwo\n\nthree";
    IndentLines(text, 3, text);
    EXPECT_EQ(text, "   one\n   two\n   \n   three");
    std::string unchanged = "a\nb\n";
    IndentLines(unchanged, 0, unchanged);
    EXPECT_EQ(unchanged, "a\nb\n");
}

TEST(IndentLines, ManyLinesOfEveryLength)
{
    std::string text;
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const std::string line = std::string(static_cast<std::size_t>(i % 97), 'x') + "\n";
        text += line;
        expected += "  " + line;
    }
    text += "tail";
    expected += "  tail";
    std::string out = "previous content";
    IndentLines(text, 2, out);
    EXPECT_EQ(out, expected);
}
