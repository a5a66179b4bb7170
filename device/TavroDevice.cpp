#include "device/TavroDevice.h"

I_TavroDevice::I_TavroDevice() = default;

I_TavroDevice::~I_TavroDevice() = default;

boost::shared_ptr<CTavroComponentInfo> I_TavroDevice::GetComponent(int32_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_components.size())
        return boost::shared_ptr<CTavroComponentInfo>();
    return m_components[static_cast<std::size_t>(index)];
}

std::string I_TavroDevice::GetDescription()
{
    std::string text = "Tavro device name: " + GetDeviceName() + "\n" +
                       "Library version: " + std::to_string(GetLibraryVersion()) + "\n" +
                       "Component count: " + std::to_string(m_components.size()) + "\n";
    for (std::size_t k = 0; k < m_components.size(); ++k)
        text += "\nComponent index: " + std::to_string(k) + "\n" + m_components[k]->GetDescription();
    return text;
}
