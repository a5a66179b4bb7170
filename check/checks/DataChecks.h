// The data checks: what Tavro_GetLastData and Tavro_GetData hand out,
// gathered while polling (each record must be looked at before the next
// call, which may change it) and judged afterwards.
#pragma once

#include "check/checks/LibraryCalls.h"
#include "check/recording/CheckRecorder.h"

#include <cstdint>
#include <string>
#include <vector>

// What the records of one procedure showed.
class CRecordEvidence {
public:
    CRecordEvidence(const char* procedure, const std::vector<int32_t>& types);

    // Looks at one returned record (null allowed) at once.
    void Inspect(const TavroDataRecord* record);

    int Calls() const { return m_calls; }
    int Records() const { return m_records; }
    int NullBeforeFirst() const { return m_nullBeforeFirst; }
    int NullAfterFirst() const { return m_nullAfterFirst; }
    int NullValues() const { return m_nullValues; }
    int Strings() const { return m_strings; }
    const std::string& StringProblem() const { return m_stringProblem; }
    // The first time that went backwards, described; "" if none.
    const std::string& Backwards() const { return m_backwards; }
    uint64_t LastTime() const { return m_lastTime; }

private:
    void InspectStrings(const TavroValue* values);

    const char* m_procedure;
    std::vector<int32_t> m_types;
    int m_calls = 0;
    int m_records = 0;
    int m_nullBeforeFirst = 0;
    int m_nullAfterFirst = 0;
    int m_nullValues = 0;
    int m_strings = 0;
    std::string m_stringProblem;
    std::string m_backwards;
    uint64_t m_lastTime = 0;
};

// The longest String value accepted, NUL included.
const size_t kMaxStringBytes = 65536;

CheckOutcome JudgeLastData(const CRecordEvidence& lastData, double watchSeconds);
CheckOutcome JudgeTimes(const CRecordEvidence& lastData, const CRecordEvidence& getData);
CheckOutcome JudgeStrings(const CRecordEvidence& lastData, const CRecordEvidence& getData);

// A call longer than this takes more than a tenth of the host's poll interval.
const double kSlowPollMs = 10;

// The median and longest of the Tavro_GetLastData calls (milliseconds):
// information, or a warning when a call took longer than kSlowPollMs.
CheckOutcome JudgePollTimes(std::vector<double> pollMs);

// After a stop: reads Tavro_GetData(1) as often as Tavro_GetAvailableDataCount
// says (at most 2000 times), each record into evidence, and reports whether
// the count falls by one each time (a queue) and what Tavro_GetData returns
// with nothing available. The interface leaves both open: only a record
// without values fails.
CheckOutcome CheckCountAgainstGetData(CLibraryCalls& calls, CRecordEvidence& evidence);
