// Description of one component of a device: the quantity it measures.
#pragma once

#include <cstdint>
#include <string>

class CTavroComponentInfo {
public:
    CTavroComponentInfo(const std::string& name, const std::string& units, int32_t dataType,
                        int32_t precision, int32_t index);

    std::string GetName() const;
    std::string GetUnits() const;
    int32_t GetDataType() const;
    int32_t GetPrecision() const;
    int32_t GetIndex() const;

    void SetUnits(const std::string& units);
    void SetPrecision(int32_t precision);

    // Display name of the data type; "Unknown" outside 1 to 7.
    std::string GetDataTypeName() const;
    // Four lines: name, data type, units and precision, each ending in "\n".
    std::string GetDescription() const;

private:
    std::string m_name;
    std::string m_units;
    int32_t m_dataType;
    int32_t m_precision;
    int32_t m_index;
};
