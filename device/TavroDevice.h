// The abstract device the test driver works on.
#pragma once

#include "device/DataRecord.h"
#include "device/TavroComponentInfo.h"

#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <string>
#include <vector>

class I_TavroDevice {
public:
    I_TavroDevice();
    virtual ~I_TavroDevice();
    I_TavroDevice(const I_TavroDevice&) = delete;
    I_TavroDevice& operator=(const I_TavroDevice&) = delete;

    virtual uint32_t GetLibraryVersion() = 0;
    virtual std::string GetDeviceName() = 0;
    virtual int32_t GetNumberOfComponents() = 0;
    virtual void UpdateComponentUnits() = 0;
    virtual void UpdateComponentPrecision() = 0;
    virtual void PrepareExperiment() = 0;
    virtual bool IsReady() = 0;
    virtual void StartExperiment() = 0;
    // Append one record (or none, when the library offers none) to records.
    virtual void GetLastData(std::vector<DataRecord>& records) = 0;
    virtual void GetData(std::vector<DataRecord>& records) = 0;
    virtual void StopExperiment() = 0;
    virtual void SetState(int32_t state) = 0;

    // The component at index, sharing ownership; empty outside 0..count-1.
    boost::shared_ptr<CTavroComponentInfo> GetComponent(int32_t index) const;
    // Name, version, component count and one block per component.
    std::string GetDescription();

protected:
    std::vector<boost::shared_ptr<CTavroComponentInfo> > m_components;
};

typedef boost::shared_ptr<I_TavroDevice> TavroDevicePtr;
