// The two process starts every TavroProbe run pays beyond its search and the
// bare loader loop: the search child (started, set up as TavroProbe's is up
// to its search, its search folders asked for, and told the search is done)
// and the closing system("PAUSE"), which starts the command interpreter
// (standard input at its end, so it returns at once).
//
//   tavro_bench_starts <scratch folder>
//
// Prints "starts child_ms=<C> pause_ms=<P>", each the median of five.
#include "app/AppFramework.h"
#include "app/FolderSearch.h"
#include "bench/BenchDevice.h"
#include "guard/SearchIsolation.h"
#include "guard/Watchdog.h"
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

// One search child from start to end, as RunTests starts it.
double TimedChild()
{
    const double start = bench::Now();
    bool searched = false;
    if (!RunSearchInChildren(searched) || !searched) {
        std::fprintf(stderr, "tavro_bench_starts: the search child did not finish\n");
        std::exit(1);
    }
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
    CSearchChild child;
    if (child.Attach(GetCommandLineA())) {
        // What TavroProbe's search child does before its search, which
        // begins with asking for the search folders.
        InitApplicationFramework(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), 0);
        StartWatchdog();
        std::vector<std::string> folders;
        CollectSearchFolders(folders);
        child.Finish(true);
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
