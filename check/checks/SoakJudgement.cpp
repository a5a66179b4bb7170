#include "check/checks/SoakJudgement.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

const size_t kQuarters = 4;

struct Series {
    const char* name;
    const char* unit;  // after a per-poll figure: "bytes", "" for a count
    std::vector<double> values;
    double bound;
};

std::string Figure(double value, int decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Amount(const Series& series, double value)
{
    if (*series.unit)
        return Figure(value / (1024.0 * 1024.0), 1) + " MB";
    return Figure(value, 0);
}

std::string PerPoll(const Series& series, double value)
{
    return (*series.unit ? Figure(value, 0) + " " + series.unit : Figure(value, 2)) + " per poll";
}

// The floor of each quarter; the last quarter takes the rest.
std::vector<double> QuarterFloors(const std::vector<double>& values)
{
    const size_t size = values.size() / kQuarters;
    std::vector<double> floors;
    for (size_t q = 0; q < kQuarters; ++q) {
        const auto begin = values.begin() + q * size;
        const auto end = q + 1 == kQuarters ? values.end() : begin + size;
        floors.push_back(*std::min_element(begin, end));
    }
    return floors;
}

// "" when the series does not grow steadily beyond its bound.
std::string SteadyGrowth(const Series& series)
{
    const std::vector<double> floors = QuarterFloors(series.values);
    for (size_t q = 1; q < floors.size(); ++q)
        if (floors[q] <= floors[q - 1])
            return "";
    const double polls = static_cast<double>((kQuarters - 1) * (series.values.size() / kQuarters));
    const double perPoll = (floors.back() - floors.front()) / polls;
    if (perPoll <= series.bound)
        return "";
    return std::string(series.name) + " grew steadily by " + PerPoll(series, perPoll) + " over " +
           std::to_string(series.values.size()) + " polls, from " + Amount(series, series.values.front()) + " to " +
           Amount(series, series.values.back()) + " (bound: " + PerPoll(series, series.bound) + ")";
}

}  // namespace

CheckOutcome JudgeSoak(const std::vector<ResourceUse>& samples, size_t warmup, double seconds,
                       const SoakBounds& bounds)
{
    if (samples.size() < warmup + 2 * kQuarters)
        return {CheckVerdict::Info, std::to_string(samples.size()) + " polls in " + Figure(seconds, 1) +
                                        " s: too few to judge growth"};
    Series series[] = {{"private bytes", "bytes", {}, bounds.bytesPerPoll},
                       {"handles", "", {}, bounds.handlesPerPoll},
                       {"threads", "", {}, bounds.threadsPerPoll}};
    for (size_t i = warmup; i < samples.size(); ++i) {
        series[0].values.push_back(static_cast<double>(samples[i].privateBytes));
        series[1].values.push_back(static_cast<double>(samples[i].handles));
        series[2].values.push_back(static_cast<double>(samples[i].threads));
    }
    std::string growth;
    std::string seen;
    for (const Series& one : series) {
        const std::string grew = SteadyGrowth(one);
        growth += (growth.empty() || grew.empty() ? "" : "; ") + grew;
        seen += std::string(seen.empty() ? "" : ", ") + one.name + " " + Amount(one, one.values.front()) + " to " +
                Amount(one, one.values.back());
    }
    if (!growth.empty())
        return {CheckVerdict::Fail, growth};
    return {CheckVerdict::Pass, std::to_string(samples.size()) + " polls in " + Figure(seconds, 1) +
                                    " s; after the first " + std::to_string(warmup) + ": " + seen};
}
