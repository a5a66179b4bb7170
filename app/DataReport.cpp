#include "app/DataReport.h"

#include "output/ConsoleLog.h"

#include <windows.h>

#include <iomanip>
#include <sstream>

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

void AppendValue(std::ostream& out, const TavroValue& value, int32_t dataType)
{
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
}

}  // namespace

std::string FormatAcquisitionTime(uint64_t fileTime)
{
    const SYSTEMTIME local = LocalTimeOf(fileTime);
    std::ostringstream line;
    line << std::setfill('0') << "Acquisition Time: " << std::setw(2) << local.wMonth << "/"
         << std::setw(2) << local.wDay << "/" << std::setw(4) << local.wYear << " " << std::setw(2)
         << local.wHour << ":" << std::setw(2) << local.wMinute << ":" << std::setw(2)
         << local.wSecond << "\n";
    return line.str();
}

std::string FormatValue(const TavroValue& value, int32_t dataType)
{
    std::ostringstream text;
    AppendValue(text, value, dataType);
    return text.str();
}

std::string FormatDataRecord(I_TavroDevice& device, const DataRecord& record)
{
    std::ostringstream block;
    block << FormatAcquisitionTime(record.acquisitionTime);
    for (int32_t i = 0; i < device.GetNumberOfComponents(); ++i) {
        const boost::shared_ptr<CTavroComponentInfo> component = device.GetComponent(i);
        if (!component || static_cast<std::size_t>(i) >= record.values.size())
            break;
        block << component->GetName() << " ";
        AppendValue(block, record.values[static_cast<std::size_t>(i)], component->GetDataType());
        block << " " << component->GetUnits() << "\n";
    }
    block << "\n";
    return block.str();
}

void ReportLastData(TavroDevicePtr device)
{
    if (!device)
        return;
    std::vector<DataRecord> records;
    device->GetLastData(records);
    if (records.size() != 1)
        return;
    PrintText(FormatDataRecord(*device, records.front()), 2, false);
}
