#include "device/TavroComponentInfo.h"

CTavroComponentInfo::CTavroComponentInfo(const std::string& name, const std::string& units,
                                         int32_t dataType, int32_t precision, int32_t index)
    : m_name(name), m_units(units), m_dataType(dataType), m_precision(precision), m_index(index)
{
}

std::string CTavroComponentInfo::GetName() const
{
    return m_name;
}

std::string CTavroComponentInfo::GetUnits() const
{
    return m_units;
}

int32_t CTavroComponentInfo::GetDataType() const
{
    return m_dataType;
}

int32_t CTavroComponentInfo::GetPrecision() const
{
    return m_precision;
}

int32_t CTavroComponentInfo::GetIndex() const
{
    return m_index;
}

void CTavroComponentInfo::SetUnits(const std::string& units)
{
    m_units = units;
}

void CTavroComponentInfo::SetPrecision(int32_t precision)
{
    m_precision = precision;
}

std::string CTavroComponentInfo::GetDataTypeName() const
{
    switch (m_dataType) {
    case 1: return "Unsigned Long Long";
    case 2: return "Long Long";
    case 3: return "Unsigned Long";
    case 4: return "Long";
    case 5: return "Float";
    case 6: return "Double";
    case 7: return "String";
    default: return "Unknown";
    }
}

std::string CTavroComponentInfo::GetDescription() const
{
    return "Component name: " + m_name + "\n" +
           "Component data type: " + GetDataTypeName() + "\n" +
           "Component units: " + m_units + "\n" +
           "Component precision: " + std::to_string(m_precision) + "\n";
}
