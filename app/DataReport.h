// The report of a device's latest data record: its local acquisition time
// and one line per component.
#pragma once

#include "device/TavroDevice.h"

#include <cstdint>
#include <string>

// Fetches the latest record and prints it at indent 2; prints nothing when
// the device offers no record.
void ReportLastData(TavroDevicePtr device);

// The block for one record, as ReportLastData prints it (before indenting).
std::string FormatDataRecord(I_TavroDevice& device, const DataRecord& record);
// The same block appended to out, which keeps its storage.
void AppendDataRecord(I_TavroDevice& device, const DataRecord& record, std::string& out);

// "Acquisition Time: MM/DD/YYYY HH:MM:SS\n" in local time; every field 0
// when the time cannot be converted.
std::string FormatAcquisitionTime(uint64_t fileTime);

// One value slot as its data type says.
std::string FormatValue(const TavroValue& value, int32_t dataType);
