// Memory of the data report: the process's private bytes after 1,000 and
// after 10,000 polls (ReportLastData, no sleeping in between) of the sample
// device with 16 components, output going to files.
//
//   tavro_bench_memory <sample DLL> <scratch folder>
//
// Prints:
//   memory components=16 counter=<field> private_bytes_1000=<B> private_bytes_10000=<B> growth_bytes=<B>
//
// The private bytes are PROCESS_MEMORY_COUNTERS_EX.PrivateUsage. Where the
// system fills only the basic PROCESS_MEMORY_COUNTERS (Wine 8 does: it sets
// cb to the basic size and leaves PrivateUsage alone), PagefileUsage is used
// instead: Windows documents it as the same figure (the process's commit
// charge), and Wine reports the process's resident anonymous memory there.
// counter= names the field read.
#include "app/DataReport.h"
#include "bench/BenchDevice.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <exception>

namespace {

const int kComponents = 16;
const int kFirstMark = 1000;
const int kSecondMark = 10000;

const char* g_counterName = "PrivateUsage";

long long PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return -1;
    if (counters.cb < sizeof counters) {
        g_counterName = "PagefileUsage";
        return static_cast<long long>(counters.PagefileUsage);
    }
    return static_cast<long long>(counters.PrivateUsage);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tavro_bench_memory <sample DLL> <scratch folder>\n");
        return 2;
    }
    try {
        boost::shared_ptr<CTavroDLLBasedDevice> device = bench::StartSampleDevice(argv[1], kComponents);
        const TavroDevicePtr polled = device;
        long long first = 0;
        long long second = 0;
        {
            bench::FileOutput output(argv[2]);
            int polls = 0;
            while (polls < kFirstMark) {
                ReportLastData(polled);
                ++polls;
            }
            first = PrivateBytes();
            while (polls < kSecondMark) {
                ReportLastData(polled);
                ++polls;
            }
            second = PrivateBytes();
        }
        device->StopExperiment();
        if (first < 0 || second < 0) {
            std::fprintf(stderr, "tavro_bench_memory: GetProcessMemoryInfo failed\n");
            return 1;
        }
        std::printf("memory components=%d counter=%s private_bytes_%d=%lld private_bytes_%d=%lld "
                    "growth_bytes=%lld\n",
                    kComponents, g_counterName, kFirstMark, first, kSecondMark, second,
                    second - first);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavro_bench_memory: %s\n", error.what());
        return 1;
    }
    return 0;
}
