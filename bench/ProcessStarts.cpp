// The two process starts every TavroProbe run with a library pays beyond its
// search and the bare loader loop: the child that tests the libraries
// (started, set up as TavroProbe's is, sent one library to test, and ended)
// and the closing system("PAUSE"), which starts the command interpreter
// (standard input at its end, so it returns at once).
//
//   tavro_bench_starts <scratch folder>
//
// Prints "starts child_ms=<C> pause_ms=<P>", each the median of five.
#include "app/AppFramework.h"
#include "bench/BenchDevice.h"
#include "guard/ChildLibraryTests.h"
#include "guard/LibraryTestChild.h"
#include "output/ConsoleLog.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int kStarts = 5;

double MedianMilliseconds(std::vector<double> seconds)
{
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2] * 1000.0;
}

// The test of a library that is not there: the child's part of a test.
void NoTest(const char*)
{
}

// One child from start to end, as RunTests starts it for the first library.
double TimedChild()
{
    const double start = bench::Now();
    CChildLibraryTests tests(NoTest);
    if (!tests.Test("C:\\nothing.dll")) {
        std::fprintf(stderr, "tavro_bench_starts: the child did not test\n");
        std::exit(1);
    }
    tests.Finish();
    return bench::Now() - start;
}

double TimedPause()
{
    const double start = bench::Now();
    std::system("PAUSE");
    return bench::Now() - start;
}

}  // namespace

int main(int argc, char** argv)
{
    CLibraryTestChild child;
    if (child.Attach(GetCommandLineA()) == CLibraryTestChild::kChild) {
        // What TavroProbe's child does before its first test.
        InitApplicationFramework(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), 0);
        child.Serve(NoTest);
    }
    if (std::strstr(GetCommandLineA(), "--search-child") || argc != 2) {
        std::fprintf(stderr, "usage: tavro_bench_starts <scratch folder>\n");
        return 2;
    }
    // The search child writes to the parent's log.
    const std::string logPath = std::string(argv[1]) + "\\bench-starts.log";
    g_logFile = std::fopen(logPath.c_str(), "wt");
    if (!g_logFile) {
        std::fprintf(stderr, "tavro_bench_starts: cannot create %s\n", logPath.c_str());
        return 1;
    }
    std::vector<double> children;
    std::vector<double> pauses;
    for (int i = 0; i < kStarts; ++i) {
        children.push_back(TimedChild());
        pauses.push_back(TimedPause());
    }
    std::fclose(g_logFile);
    g_logFile = nullptr;
    DeleteFileA(logPath.c_str());
    std::printf("\nstarts child_ms=%.1f pause_ms=%.1f\n", MedianMilliseconds(children), MedianMilliseconds(pauses));
    return 0;
}
