// A device and a system for driving the acquisition dialogue and the data
// report without a library, a console or a real clock.
#pragma once

#include "app/AcquisitionSystem.h"
#include "device/TavroDevice.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class FakeSystem;

class FakeDevice : public I_TavroDevice {
public:
    explicit FakeDevice(const std::string& name = "Fake") : m_name(name) {}

    void AddComponent(const std::string& name, const std::string& units, int32_t type)
    {
        const int32_t index = static_cast<int32_t>(m_components.size());
        m_components.push_back(boost::shared_ptr<CTavroComponentInfo>(
            new CTavroComponentInfo(name, units, type, 0, index)));
    }

    uint32_t GetLibraryVersion() override { return 1; }
    std::string GetDeviceName() override { return m_name; }
    int32_t GetNumberOfComponents() override { return static_cast<int32_t>(m_components.size()); }
    void UpdateComponentUnits() override {}
    void UpdateComponentPrecision() override {}
    void PrepareExperiment() override
    {
        calls.push_back("Prepare");
        if (readyOnPrepare)
            m_state = 1;
    }
    bool IsReady() override { return m_state == 1; }
    void StartExperiment() override { calls.push_back("Start"); }
    void GetLastData(std::vector<DataRecord>& records) override
    {
        calls.push_back("GetLastData");
        if (onGetLastData)
            onGetLastData();
        if (offerRecords)
            records.push_back(record);
    }
    void GetData(std::vector<DataRecord>& records) override { GetLastData(records); }
    void StopExperiment() override { calls.push_back("Stop"); }
    void SetState(int32_t state) override { m_state = state; }

    std::vector<std::string> calls;
    bool readyOnPrepare = false;
    bool offerRecords = true;
    DataRecord record;
    std::function<void()> onGetLastData;

private:
    std::string m_name;
    int32_t m_state = 0;
};

// Answers from a list (then empty lines, as at the end of the input); the
// tick count moves only when a pump step "sleeps" or a test advances it.
class FakeSystem : public I_AcquisitionSystem {
public:
    FakeSystem(std::deque<std::string> answers, uint32_t startTick = 1000)
        : tick(startTick), m_answers(std::move(answers)) {}

    std::string ReadLine() override
    {
        if (m_answers.empty())
            return std::string();
        std::string line = m_answers.front();
        m_answers.pop_front();
        return line;
    }
    uint32_t TickCount() override { return tick; }
    void PumpMessageOrSleep() override
    {
        ++pumpSteps;
        if (onPump)
            onPump(pumpSteps);
        tick += 100;
    }

    uint32_t tick;
    int pumpSteps = 0;
    std::function<void(int)> onPump;

private:
    std::deque<std::string> m_answers;
};
