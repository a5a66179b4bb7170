// Cost of one poll against the number of components: ReportLastData on the
// sample device library (real library-backed device) configured for each
// count given, console and log output going to files.
//
//   tavro_bench_poll <sample DLL> <scratch folder> [components...]
//
// Prints one line per count:
//   poll components=<N> polls=<P> microseconds_per_poll=<T> fetch_us=<F> format_us=<G>
// T is the whole poll (ReportLastData); F and G, measured apart afterwards
// over as many calls, are its parts GetLastData and FormatDataRecord, so
// T - F - G is roughly what the indenting and the two writes cost.
#include "app/DataReport.h"
#include "bench/BenchDevice.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

const double kMinimumSeconds = 0.5;
const int kMinimumPolls = 20;
const int kWarmUpPolls = 3;

void MeasureOne(const std::string& library, const std::string& folder, int components)
{
    boost::shared_ptr<CTavroDLLBasedDevice> device = bench::StartSampleDevice(library, components);
    const TavroDevicePtr polled = device;
    int polls = 0;
    double elapsed = 0.0;
    double fetch = 0.0;
    double format = 0.0;
    {
        bench::FileOutput output(folder);
        for (int i = 0; i < kWarmUpPolls; ++i)
            ReportLastData(polled);
        const double start = bench::Now();
        do {
            ReportLastData(polled);
            ++polls;
            elapsed = bench::Now() - start;
        } while (elapsed < kMinimumSeconds || polls < kMinimumPolls);

        std::vector<DataRecord> records;
        double start2 = bench::Now();
        for (int i = 0; i < polls; ++i) {
            records.clear();
            device->GetLastData(records);
        }
        fetch = bench::Now() - start2;
        if (records.size() != 1)
            throw std::runtime_error("no record to format");
        std::size_t characters = 0;
        start2 = bench::Now();
        for (int i = 0; i < polls; ++i)
            characters += FormatDataRecord(*device, records.front()).size();
        format = bench::Now() - start2;
        if (characters == 0)
            throw std::runtime_error("nothing formatted");
    }
    device->StopExperiment();
    std::printf("poll components=%d polls=%d microseconds_per_poll=%.3f fetch_us=%.3f format_us=%.3f\n",
                components, polls, elapsed * 1e6 / polls, fetch * 1e6 / polls, format * 1e6 / polls);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: tavro_bench_poll <sample DLL> <scratch folder> [components...]\n");
        return 2;
    }
    std::vector<int> counts;
    for (int i = 3; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {1, 100, 10000};
    try {
        for (int components : counts)
            MeasureOne(argv[1], argv[2], components);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavro_bench_poll: %s\n", error.what());
        return 1;
    }
    return 0;
}
