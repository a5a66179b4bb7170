#include "check/CheckRecorder.h"

#include "check/CheckCatalogue.h"

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

size_t CataloguePosition(const std::string& id)
{
    const std::vector<CheckInfo>& checks = CheckCatalogue();
    for (size_t i = 0; i < checks.size(); ++i)
        if (id == checks[i].id)
            return i;
    return checks.size();
}

bool Passed(const std::vector<CheckResult>& done, const std::string& id)
{
    return std::any_of(done.begin(), done.end(), [&](const CheckResult& r) {
        return r.id == id && (r.verdict == CheckVerdict::Pass || r.verdict == CheckVerdict::Warning);
    });
}

// The first prerequisite of info that has not passed, in missing; false if all have.
bool FirstNotPassed(const std::vector<CheckResult>& done, const CheckInfo& info, std::string& missing)
{
    for (const std::string& needed : info.prerequisites)
        if (!Passed(done, needed)) {
            missing = needed;
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

CCheckRecorder::CCheckRecorder() : m_open(false), m_currentCall(nullptr)
{
}

void CCheckRecorder::BeginLibrary(const std::string& library)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    LibraryResults results;
    results.library = library;
    results.seconds = 0;
    m_libraries.push_back(results);
    m_open = true;
    m_libraryStart = Clock::now();
}

void CCheckRecorder::EndLibrary()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    CloseLibrary(false);
}

void CCheckRecorder::CloseLibrary(bool ended)
{
    if (!m_open)
        return;
    m_open = false;
    LibraryResults& library = m_libraries.back();
    for (const CheckInfo& info : CheckCatalogue()) {
        const bool recorded = std::any_of(library.checks.begin(), library.checks.end(),
                                          [&](const CheckResult& r) { return r.id == info.id; });
        if (recorded)
            continue;
        std::string missing;
        const std::string message = ended ? "not run: the run ended before it"
                                    : FirstNotPassed(library.checks, info, missing)
                                        ? "skipped: " + missing + " did not pass"
                                        : "skipped: not reached";
        library.checks.push_back({info.id, CheckVerdict::Skipped, message, 0});
    }
    std::stable_sort(library.checks.begin(), library.checks.end(),
                     [](const CheckResult& a, const CheckResult& b) {
                         return CataloguePosition(a.id) < CataloguePosition(b.id);
                     });
    library.seconds = Seconds(Clock::now() - m_libraryStart);
}

void CCheckRecorder::Run(const std::string& id, Clock::duration limit,
                         const std::function<CheckOutcome()>& body)
{
    const Clock::time_point started = Clock::now();
    std::string missing;
    if (!PrerequisitesPassed(id, missing)) {
        Record(id, {CheckVerdict::Skipped, "skipped: " + missing + " did not pass"}, started);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running = id;
        m_runningSince = started;
        m_deadline = started + limit;
    }
    CheckOutcome outcome;
    SetCurrentCall(nullptr);
    try {
        outcome = body();
    } catch (const std::exception& error) {
        outcome = {CheckVerdict::Fail, ExceptionText(CurrentCall(), error.what())};
    } catch (...) {
        outcome = {CheckVerdict::Fail, ExceptionText(CurrentCall(), "of a type that is not std::exception")};
    }
    SetCurrentCall(nullptr);
    Record(id, outcome, started);
}

void CCheckRecorder::SetCurrentCall(const char* name)
{
    m_currentCall.store(name);
}

const char* CCheckRecorder::CurrentCall() const
{
    return m_currentCall.load();
}

std::string CCheckRecorder::Overdue(Clock::time_point now) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return (!m_running.empty() && now > m_deadline) ? m_running : std::string();
}

double CCheckRecorder::RunningLimitSeconds() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Seconds(m_deadline - m_runningSince);
}

bool CCheckRecorder::FailRunning(const std::string& message)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_running.empty() || !m_open)
        return false;
    LibraryResults& library = m_libraries.back();
    library.checks.push_back(
        {m_running, CheckVerdict::Fail, message, Seconds(Clock::now() - m_runningSince)});
    m_running.clear();
    CloseLibrary(true);
    return true;
}

std::vector<LibraryResults> CCheckRecorder::Results() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_libraries;
}

bool CCheckRecorder::PrerequisitesPassed(const std::string& id, std::string& missing) const
{
    const CheckInfo* info = FindCheck(id);
    std::lock_guard<std::mutex> lock(m_mutex);
    return !info || !FirstNotPassed(m_libraries.back().checks, *info, missing);
}

void CCheckRecorder::Record(const std::string& id, const CheckOutcome& outcome, Clock::time_point started)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running.clear();
    if (m_open)
        m_libraries.back().checks.push_back(
            {id, outcome.verdict, Trimmed(outcome.message), Seconds(Clock::now() - started)});
}
