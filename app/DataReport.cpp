#include "app/DataReport.h"

#include "output/ConsoleLog.h"

#include <windows.h>

#include <charconv>
#include <cmath>
#include <sstream>

// The report is built by appending to one string: a poll of a device with
// thousands of components must cost well under the 100 ms between polls.
// Numbers are converted with std::to_chars, whose output for integers and
// for "general" floating-point with precision 6 is, by definition, that of
// printf's %d and %.6g in the C locale: what an ostream in the classic
// locale prints, without the per-value locale work of the stream.

namespace {

// Local time of a FILETIME value; all fields 0 when it cannot be converted
// (values of 2^63 and more, for instance).
SYSTEMTIME LocalTimeOf(uint64_t fileTime)
{
    FILETIME utcFileTime;
    utcFileTime.dwLowDateTime = static_cast<DWORD>(fileTime & 0xFFFFFFFFu);
    utcFileTime.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    SYSTEMTIME utc = {};
    SYSTEMTIME local = {};
    if (!FileTimeToSystemTime(&utcFileTime, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        const SYSTEMTIME zero = {};
        return zero;
    }
    return local;
}

template <class Integer>
void AppendInteger(std::string& out, Integer value)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end.ptr);
}

// value in decimal, zero-filled to at least width digits.
void AppendPadded(std::string& out, unsigned value, std::size_t width)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    const std::size_t length = static_cast<std::size_t>(end.ptr - digits);
    if (length < width)
        out.append(width - length, '0');
    out.append(digits, length);
}

// As an ostream prints a double by default: %g with 6 significant digits.
void AppendDouble(std::string& out, double value)
{
    if (std::isfinite(value)) {
        char text[32];
        const std::to_chars_result end =
            std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
        if (end.ec == std::errc()) {
            out.append(text, end.ptr);
            return;
        }
    }
    // Infinities and NaNs (rare) are left to the stream itself, so that
    // their spelling stays exactly the stream's.
    std::ostringstream stream;
    stream << value;
    out += stream.str();
}

void AppendValue(std::string& out, const TavroValue& value, int32_t dataType)
{
    switch (dataType) {
    case TavroData_UnsignedLongLong: AppendInteger(out, value.unsignedLongLong); break;
    case TavroData_LongLong: AppendInteger(out, value.longLong); break;
    case TavroData_UnsignedLong: AppendInteger(out, value.unsignedLong); break;
    case TavroData_Long: AppendInteger(out, value.longValue); break;
    case TavroData_Float: AppendDouble(out, static_cast<double>(value.floatValue)); break;
    case TavroData_Double: AppendDouble(out, value.doubleValue); break;
    case TavroData_String: out += value.stringValue ? value.stringValue : "(null)"; break;
    default: break;
    }
}

void AppendAcquisitionTime(std::string& out, uint64_t fileTime)
{
    const SYSTEMTIME local = LocalTimeOf(fileTime);
    out += "Acquisition Time: ";
    AppendPadded(out, local.wMonth, 2);
    out += '/';
    AppendPadded(out, local.wDay, 2);
    out += '/';
    AppendPadded(out, local.wYear, 4);
    out += ' ';
    AppendPadded(out, local.wHour, 2);
    out += ':';
    AppendPadded(out, local.wMinute, 2);
    out += ':';
    AppendPadded(out, local.wSecond, 2);
    out += '\n';
}

}  // namespace

std::string FormatAcquisitionTime(uint64_t fileTime)
{
    std::string line;
    AppendAcquisitionTime(line, fileTime);
    return line;
}

std::string FormatValue(const TavroValue& value, int32_t dataType)
{
    std::string text;
    AppendValue(text, value, dataType);
    return text;
}

std::string FormatDataRecord(I_TavroDevice& device, const DataRecord& record)
{
    std::string block;
    AppendDataRecord(device, record, block);
    return block;
}

void AppendDataRecord(I_TavroDevice& device, const DataRecord& record, std::string& out)
{
    const int32_t count = device.GetNumberOfComponents();
    // A guess at the size (a line is mostly shorter than 48 characters) that
    // spares most of the growing.
    out.reserve(out.size() + 40 + 48 * static_cast<std::size_t>(count > 0 ? count : 0));
    AppendAcquisitionTime(out, record.acquisitionTime);
    // The count is asked again before every line, as the device may say.
    for (int32_t i = 0; i < device.GetNumberOfComponents(); ++i) {
        const boost::shared_ptr<CTavroComponentInfo> component = device.GetComponent(i);
        if (!component || static_cast<std::size_t>(i) >= record.values.size())
            break;
        out += component->GetName();
        out += ' ';
        AppendValue(out, record.values[static_cast<std::size_t>(i)], component->GetDataType());
        out += ' ';
        out += component->GetUnits();
        out += '\n';
    }
    out += '\n';
}

void ReportLastData(TavroDevicePtr device)
{
    if (!device)
        return;
    std::vector<DataRecord> records;
    device->GetLastData(records);
    if (records.size() != 1)
        return;
    // One buffer for every poll (they all come from the thread that runs the
    // acquisition), so that a report of thousands of lines needs no new
    // memory each time. Never destroyed: a library calling exit() runs the
    // program's static destructors while the program may still print.
    static std::string* const block = new std::string;
    block->clear();
    AppendDataRecord(*device, records.front(), *block);
    PrintText(*block, 2, false);
}
