#include "bench/BenchDevice.h"

#include "app/LibraryProbe.h"

#include "output/ConsoleLog.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

namespace bench {

namespace {

template <class Condition>
bool WaitFor(Condition condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

FILE* OpenText(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "wt");
    if (!file)
        throw std::runtime_error("cannot create " + path);
    return file;
}

}  // namespace

boost::shared_ptr<CTavroDLLBasedDevice> StartSampleDevice(const std::string& path, int components)
{
    SetEnvironmentVariableA("TAVRO_SAMPLE_COMPONENTS", std::to_string(components).c_str());
    boost::shared_ptr<CTavroDLLBasedDevice> device(new CTavroDLLBasedDevice(path));
    InitialiseDevice(device);
    if (device->GetNumberOfComponents() != components)
        throw std::runtime_error(path + " reports " +
                                 std::to_string(device->GetNumberOfComponents()) +
                                 " components instead of " + std::to_string(components));

    device->PrepareExperiment();
    if (!WaitFor([&] { return device->IsReady(); }, 5000))
        throw std::runtime_error("the device did not report ready within 5 s");
    device->StartExperiment();
    if (!WaitFor([&] {
            std::vector<DataRecord> records;
            device->GetLastData(records);
            return !records.empty();
        }, 5000))
        throw std::runtime_error("no record within 5 s of the start");
    return device;
}

FileOutput::FileOutput(const std::string& folder)
    : m_consolePath(folder + "\\bench-console.txt"),
      m_logPath(folder + "\\bench-log.txt"),
      m_console(OpenText(m_consolePath)),
      m_log(OpenText(m_logPath))
{
    SetConsoleStream(m_console);
    g_logFile = m_log;
}

FileOutput::~FileOutput()
{
    SetConsoleStream(nullptr);
    g_logFile = nullptr;
    fclose(m_console);
    fclose(m_log);
    DeleteFileA(m_consolePath.c_str());
    DeleteFileA(m_logPath.c_str());
}

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency;
}

}  // namespace bench
