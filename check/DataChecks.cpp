#include "check/DataChecks.h"


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
    if (!lastData.Backwards().empty())
        return {CheckVerdict::Fail, lastData.Backwards()};
    if (!getData.Backwards().empty())
        return {CheckVerdict::Fail, getData.Backwards()};
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

CheckOutcome CheckCountAgainstGetData(CLibraryCalls& calls, CRecordEvidence& evidence)
{
    const int32_t available = calls.GetAvailableDataCount();
    if (available < 0)
        return {CheckVerdict::Fail, "Tavro_GetAvailableDataCount returned " + std::to_string(available)};
    int32_t expected = available < kMaxDrained ? available : kMaxDrained;
    int32_t left = available;
    for (int32_t read = 0; read < expected; ++read) {
        const TavroDataRecord* record = calls.GetData(1);
        evidence.Inspect(record);
        if (!record)
            return {CheckVerdict::Fail, "Tavro_GetData returned NULL with " + std::to_string(left) + " available"};
        if (evidence.NullValues() > 0)
            return {CheckVerdict::Fail, "Tavro_GetData returned a record whose values pointer is NULL"};
        const int32_t now = calls.GetAvailableDataCount();
        if (now != left - 1)
            return {CheckVerdict::Fail, "after one Tavro_GetData the count went from " + std::to_string(left) +
                                            " to " + std::to_string(now)};
        left = now;
    }
    if (left != 0)
        return {CheckVerdict::Pass, std::to_string(expected) + " records read, each lowering the count by one"};
    const TavroDataRecord* empty = calls.GetData(1);
    const uint64_t lastTime = evidence.LastTime();
    std::string nothing = "NULL";
    if (empty)
        nothing = "a record" + std::string(empty->acquisitionTime == lastTime && expected > 0
                                               ? " (the newest again)"
                                               : ", time " + Time(empty->acquisitionTime));
    return {CheckVerdict::Pass, std::to_string(expected) + " records read, each lowering the count by one; with none "
                                                           "available Tavro_GetData returns " + nothing};
}
