#include "check/recording/CheckRecorder.h"

#include "check/checks/CheckCatalogue.h"
#include "check/child/ChildState.h"

#include <algorithm>
#include <exception>

namespace {

double Seconds(CCheckRecorder::Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

std::string ExceptionText(const char* call, const std::string& what)
{
    return std::string(call ? call : "the library") + " threw a C++ exception: " + what;
}

bool HasPassed(const std::vector<CheckResult>& done, const std::string& id)
{
    return std::any_of(done.begin(), done.end(),
                       [&](const CheckResult& r) { return r.id == id && Passing(r.verdict); });
}

// For the first prerequisite of info that has not passed, the message of
// the skipped check in skipped; false if all have passed.
bool FirstNotPassed(const std::vector<CheckResult>& done, const CheckInfo& info, std::string& skipped)
{
    for (const std::string& needed : info.prerequisites) {
        if (HasPassed(done, needed))
            continue;
        skipped = FindCheck(needed) ? "skipped: " + needed + " did not pass"
                                    : "skipped: it needs " + needed + ", which --skip leaves out";
        return true;
    }
    return false;
}

// Without trailing blanks and line ends (system error texts end in CR LF).
std::string Trimmed(const std::string& text)
{
    const size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace

CCheckRecorder::CCheckRecorder() : m_open(false), m_round(1), m_rounds(1), m_listener(nullptr), m_currentCall(nullptr)
{
}

void CCheckRecorder::SetRound(int round, int rounds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_round = round;
    m_rounds = rounds;
}

void CCheckRecorder::SetListener(I_Listener* listener)
{
    m_listener = listener;
}

void CCheckRecorder::SetEndedElsewhere(const std::set<std::string>& ids)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_endedElsewhere = ids;
}

void CCheckRecorder::BeginLibrary(const std::string& library)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    LibraryResults results;
    results.library = library;
    results.seconds = 0;
    results.round = m_round;
    results.rounds = m_rounds;
    m_libraries.push_back(results);
    m_open = true;
    m_libraryStart = Clock::now();
}

void CCheckRecorder::EndLibrary()
{
    std::vector<CheckResult> filled;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open)
            return;
        const std::vector<CheckResult>& checks = m_libraries.back().checks;
        for (const CheckInfo& info : CheckCatalogue()) {
            const bool recorded = std::any_of(checks.begin(), checks.end(),
                                              [&](const CheckResult& r) { return r.id == info.id; });
            if (recorded)
                continue;
            std::string message;
            if (FirstNotPassed(checks, info, message))
                filled.push_back({info.id, CheckVerdict::Skipped, message, 0});
            else
                filled.push_back({info.id, CheckVerdict::Fail, "not reached", 0, kCallsRule});
        }
    }
    // Told like every other result: a checking child reports them all.
    for (const CheckResult& result : filled)
        Add(result);
    if (m_listener)
        for (const CheckResult& result : filled)
            m_listener->Recorded(result);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open = false;
    LibraryResults& library = m_libraries.back();
    std::stable_sort(library.checks.begin(), library.checks.end(),
                     [](const CheckResult& a, const CheckResult& b) {
                         return CataloguePosition(a.id) < CataloguePosition(b.id);
                     });
    library.seconds = Seconds(Clock::now() - m_libraryStart);
}

void CCheckRecorder::Run(const std::string& id, const std::function<CheckOutcome()>& body)
{
    const Clock::time_point started = Clock::now();
    if (!FindCheck(id))
        return;
    std::string skipped;
    if (!PrerequisitesPassed(id, skipped)) {
        Record(id, {CheckVerdict::Skipped, skipped}, started);
        return;
    }
    if (EndedElsewhere(id)) {
        Record(id, {CheckVerdict::Fail, "ended an earlier checking process", kCallsRule}, started);
        return;
    }
    if (m_listener)
        m_listener->Started(id);
    CheckOutcome outcome;
    SetCurrentCall(nullptr);
    try {
        outcome = body();
    } catch (const std::exception& error) {
        outcome = {CheckVerdict::Fail, ExceptionText(CurrentCall(), error.what()), kCallsRule};
    } catch (...) {
        outcome = {CheckVerdict::Fail, ExceptionText(CurrentCall(), "of a type that is not std::exception"),
                   kCallsRule};
    }
    SetCurrentCall(nullptr);
    Record(id, outcome, started);
}

void CCheckRecorder::SetCurrentCall(const char* name)
{
    m_currentCall.store(name);
    NoteCall(name);
}

const char* CCheckRecorder::CurrentCall() const
{
    return m_currentCall.load();
}

void CCheckRecorder::Add(const CheckResult& result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open)
        return;
    std::vector<CheckResult>& checks = m_libraries.back().checks;
    const auto same = std::find_if(checks.begin(), checks.end(), [&](const CheckResult& r) { return r.id == result.id; });
    if (same != checks.end())
        *same = result;
    else
        checks.push_back(result);
}

bool CCheckRecorder::Passed(const std::string& id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open && HasPassed(m_libraries.back().checks, id);
}

bool CCheckRecorder::EndedElsewhere(const std::string& id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_endedElsewhere.count(id) > 0;
}

std::vector<LibraryResults> CCheckRecorder::Results() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_libraries;
}

bool CCheckRecorder::PrerequisitesPassed(const std::string& id, std::string& skipped) const
{
    const CheckInfo* info = FindCheck(id);
    std::lock_guard<std::mutex> lock(m_mutex);
    return !info || !FirstNotPassed(m_libraries.back().checks, *info, skipped);
}

void CCheckRecorder::Record(const std::string& id, const CheckOutcome& outcome, Clock::time_point started)
{
    CheckResult result = {id, outcome.verdict, Trimmed(outcome.message), Seconds(Clock::now() - started)};
    if (outcome.verdict == CheckVerdict::Fail)
        result.rule = outcome.rule.empty() && FindCheck(id) ? FindCheck(id)->rule : outcome.rule;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open)
            return;
        m_libraries.back().checks.push_back(result);
    }
    if (m_listener)
        m_listener->Recorded(result);
}
