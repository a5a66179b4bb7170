#include "check/checks/DataChecks.h"

#include <algorithm>
#include <cstdio>

namespace {

const int32_t kMaxDrained = 2000;

// Reads byte by byte and stops at the NUL: nothing past it is touched.
bool HasNulWithin(const char* text, size_t bound)
{
    for (size_t i = 0; i < bound; ++i)
        if (text[i] == '\0')
            return true;
    return false;
}

std::string Time(uint64_t fileTime)
{
    return std::to_string(fileTime);
}

}  // namespace

CRecordEvidence::CRecordEvidence(const char* procedure, const std::vector<int32_t>& types)
    : m_procedure(procedure), m_types(types)
{
}

void CRecordEvidence::Inspect(const TavroDataRecord* record)
{
    const int call = ++m_calls;
    if (!record) {
        ++(m_records == 0 ? m_nullBeforeFirst : m_nullAfterFirst);
        return;
    }
    if (!record->values && !m_types.empty()) {
        ++m_nullValues;
        return;
    }
    if (m_records++ > 0 && record->acquisitionTime < m_lastTime && m_backwards.empty())
        m_backwards = std::string(m_procedure) + " call " + std::to_string(call) + ": " + Time(record->acquisitionTime) +
                      " after " + Time(m_lastTime) + " (" +
                      std::to_string((m_lastTime - record->acquisitionTime) / 10000) + " ms back)";
    m_lastTime = record->acquisitionTime;
    InspectStrings(record->values);
}

void CRecordEvidence::InspectStrings(const TavroValue* values)
{
    for (size_t i = 0; i < m_types.size(); ++i) {
        if (m_types[i] != TavroData_String)
            continue;
        ++m_strings;
        const char* text = values[i].stringValue;
        std::string problem;
        if (!text)
            problem = "NULL text";
        else if (!HasNulWithin(text, kMaxStringBytes))
            problem = "no NUL within " + std::to_string(kMaxStringBytes) + " bytes";
        if (!problem.empty() && m_stringProblem.empty())
            m_stringProblem = "component " + std::to_string(i) + ": " + problem + " (" + m_procedure + " call " +
                              std::to_string(m_calls) + ")";
    }
}

CheckOutcome JudgeLastData(const CRecordEvidence& lastData, double watchSeconds)
{
    const std::string calls = std::to_string(lastData.Calls()) + " calls";
    if (lastData.NullValues() > 0)
        return {CheckVerdict::Fail, std::to_string(lastData.NullValues()) + " of " + calls +
                                        " returned a record whose values pointer is NULL"};
    if (lastData.Records() == 0)
        return {CheckVerdict::Fail, "NULL on all " + calls + " in " + std::to_string(watchSeconds).substr(0, 3) + " s"};
    if (lastData.NullAfterFirst() > 0)
        return {CheckVerdict::Fail, "NULL on " + std::to_string(lastData.NullAfterFirst()) +
                                        " calls after the first record (" + calls + ")"};
    return {CheckVerdict::Pass, std::to_string(lastData.Records()) + " records in " + calls + " (NULL on the first " +
                                    std::to_string(lastData.NullBeforeFirst()) + ")"};
}

CheckOutcome JudgeTimes(const CRecordEvidence& lastData, const CRecordEvidence& getData)
{
    // Not a rule: a clock set back (by hand or by time synchronisation)
    // moves UTC time back for a library that stamps records with it.
    const char* const open = " (the interface states no order of times)";
    if (!lastData.Backwards().empty())
        return {CheckVerdict::Warning, lastData.Backwards() + open};
    if (!getData.Backwards().empty())
        return {CheckVerdict::Warning, getData.Backwards() + open};
    return {CheckVerdict::Pass, "times in order over " + std::to_string(lastData.Records() + getData.Records()) +
                                    " records"};
}

CheckOutcome JudgeStrings(const CRecordEvidence& lastData, const CRecordEvidence& getData)
{
    if (!lastData.StringProblem().empty())
        return {CheckVerdict::Fail, lastData.StringProblem()};
    if (!getData.StringProblem().empty())
        return {CheckVerdict::Fail, getData.StringProblem()};
    const int strings = lastData.Strings() + getData.Strings();
    if (strings == 0)
        return {CheckVerdict::Pass, "no String component"};
    return {CheckVerdict::Pass, std::to_string(strings) + " String values, each NUL-terminated"};
}

namespace {

// What Tavro_GetData returns with nothing available, looked at as any record.
std::string WhatGetDataReturnsWithNone(CLibraryCalls& calls, CRecordEvidence& evidence, bool anyRead)
{
    const uint64_t lastTime = evidence.LastTime();
    const TavroDataRecord* empty = calls.GetData(1);
    evidence.Inspect(empty);
    if (!empty)
        return "NULL";
    return "a record" + std::string(empty->acquisitionTime == lastTime && anyRead
                                        ? " (the newest again)"
                                        : ", time " + Time(empty->acquisitionTime));
}

}  // namespace

CheckOutcome CheckCountAgainstGetData(CLibraryCalls& calls, CRecordEvidence& evidence)
{
    const int32_t available = calls.GetAvailableDataCount();
    if (available < 0)
        return {CheckVerdict::Warning, "Tavro_GetAvailableDataCount returned " + std::to_string(available) +
                                           " after a stop (what it counts is left open)"};
    const int32_t wanted = available < kMaxDrained ? available : kMaxDrained;
    int32_t left = available;
    for (int32_t read = 1; read <= wanted; ++read) {
        const TavroDataRecord* record = calls.GetData(1);
        evidence.Inspect(record);
        if (!record)
            return {CheckVerdict::Warning, "Tavro_GetData returned NULL with a count of " + std::to_string(left) +
                                               " (what the count means is left open)"};
        if (evidence.NullValues() > 0)
            return {CheckVerdict::Fail, "Tavro_GetData returned a record whose values pointer is NULL"};
        const int32_t now = calls.GetAvailableDataCount();
        if (now != left - 1)
            return {CheckVerdict::Info, "not a queue: after one Tavro_GetData the count went from " +
                                            std::to_string(left) + " to " + std::to_string(now) +
                                            " (what the count means is left open)"};
        left = now;
    }
    if (left != 0)
        return {CheckVerdict::Info, "a queue: " + std::to_string(wanted) + " records read, each lowering the count by one"};
    const std::string none = WhatGetDataReturnsWithNone(calls, evidence, wanted > 0);
    if (evidence.NullValues() > 0)
        return {CheckVerdict::Fail, "with none available Tavro_GetData returned a record whose values pointer is NULL"};
    const std::string read = available == 0 ? "a count of 0 after the stop"
                                            : "a queue: " + std::to_string(wanted) +
                                                  " records read, each lowering the count by one";
    return {CheckVerdict::Info, read + "; with none available Tavro_GetData returns " + none};
}

CheckOutcome JudgePollTimes(std::vector<double> pollMs)
{
    if (pollMs.empty())
        return {CheckVerdict::Info, "no Tavro_GetLastData call was timed"};
    std::sort(pollMs.begin(), pollMs.end());
    const double median = pollMs[pollMs.size() / 2];
    const double longest = pollMs.back();
    const long slow = static_cast<long>(pollMs.end() - std::upper_bound(pollMs.begin(), pollMs.end(), kSlowPollMs));
    char text[160];
    std::snprintf(text, sizeof text, "Tavro_GetLastData: median %.3f ms, longest %.3f ms over %u calls", median,
                  longest, static_cast<unsigned>(pollMs.size()));
    if (slow == 0)
        return {CheckVerdict::Info, text};
    return {CheckVerdict::Warning, std::string(text) + "; " + std::to_string(slow) + " took over 10 ms, a tenth of " +
                                       "the host's 100 ms poll interval"};
}
