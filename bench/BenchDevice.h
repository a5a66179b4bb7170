// What the in-process benchmarks share: the sample device library brought up
// the way the program's library test does it, output sent to files, and a
// high-resolution clock.
#pragma once

#include "device/TavroDLLBasedDevice.h"

#include <boost/shared_ptr.hpp>

#include <cstdio>
#include <string>

namespace bench {

// Loads the library at path with TAVRO_SAMPLE_COMPONENTS set to components,
// describes the device and registers the state callback (as TestDeviceLibrary
// does), prepares, waits for the ready report, starts and waits until the
// first record is there. Throws std::runtime_error on any failure.
boost::shared_ptr<CTavroDLLBasedDevice> StartSampleDevice(const std::string& path, int components);

// Console and log output of the program redirected to two files in folder
// (text mode, as the program opens its log), for the lifetime of the object.
class FileOutput {
public:
    explicit FileOutput(const std::string& folder);
    ~FileOutput();
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;

private:
    std::string m_consolePath;
    std::string m_logPath;
    FILE* m_console;
    FILE* m_log;
};

// Seconds on the performance counter.
double Now();

}  // namespace bench
