#include "check/child/ChildReport.h"

#include "check/checks/CheckCatalogue.h"
#include "guard/ProcessEnd.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

const unsigned long kAccessViolation = 0xC0000005ul;

typedef std::chrono::milliseconds ms;

// A child's line longer than this is garbled.
const size_t kMaxLineBytes = 1 << 20;
// How much of a line a failure quotes.
const size_t kQuotedBytes = 80;

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Unescaped(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

// False for a name no verdict has.
bool VerdictFromName(const std::string& name, CheckVerdict& verdict)
{
    for (CheckVerdict known : {CheckVerdict::Pass, CheckVerdict::Info, CheckVerdict::Warning, CheckVerdict::Fail,
                               CheckVerdict::Skipped})
        if (name == VerdictName(known)) {
            verdict = known;
            return true;
        }
    return false;
}

double Seconds(CChildReport::Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

std::string SecondsText(CChildReport::Clock::duration duration)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", Seconds(duration));
    return text;
}

// A line of the child's as a failure quotes it: escaped, cut if long.
std::string Quoted(const std::string& line)
{
    const std::string text = Escaped(line.substr(0, kQuotedBytes));
    return "\"" + text + (line.size() > kQuotedBytes ? "..." : "") + "\"";
}

// The call the child noted, safely ended.
std::string NotedCall(const ChildState& state)
{
    const char* const end = std::find(state.call, state.call + sizeof state.call, '\0');
    return std::string(state.call, end);
}

bool FaultInGuardPage(const ChildState& state)
{
    return state.bufferSize > 0 && state.faultAddress >= state.guardBegin && state.faultAddress < state.guardEnd;
}

// How the child ended, in the words of a failed check.
std::string DescribeEnd(unsigned long exitCode, const ChildState& state)
{
    const std::string end = DescribeProcessEnd(exitCode);
    const std::string call = NotedCall(state);
    const bool seen = IsExceptionCode(exitCode) && state.faultCode == exitCode;
    if (seen && state.faultThread == state.checkingThread && exitCode == kAccessViolation && FaultInGuardPage(state))
        return (call.empty() ? std::string("the library") : call) + (state.faultAccess == 0 ? " read" : " wrote") +
               " past the end of a " + std::to_string(state.bufferSize) + "-byte buffer (" + end + ")";
    if (seen && state.faultThread != state.checkingThread)
        return end + " on a thread of the library" + (call.empty() ? "" : ", during " + call);
    if (IsExceptionCode(exitCode))
        return end + (call.empty() ? " outside any library call" : " inside " + call);
    return call.empty() ? "the process ended with " + end + " outside any library call"
                        : call + " ended the process with " + end;
}

}  // namespace

std::string CChildReport::StartLine(const std::string& id)
{
    return "start\t" + id + "\n";
}

std::string CChildReport::ResultLine(const CheckResult& result)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", result.seconds);
    return "result\t" + result.id + "\t" + VerdictName(result.verdict) + "\t" + result.rule + "\t" + seconds +
           "\t" + Escaped(result.message) + "\n";
}

std::string CChildReport::DoneLine()
{
    return "done\n";
}

CChildReport::CChildReport(const std::string& first, const CheckTimes& times)
    : m_first(first), m_times(times), m_saidDone(false), m_heard(false), m_inCall(false), m_callCount(0)
{
}

void CChildReport::Take(const std::string& bytes, Clock::time_point now)
{
    if (Broken())
        return;
    m_pending += bytes;
    for (size_t end = m_pending.find('\n'); end != std::string::npos && !Broken(); end = m_pending.find('\n')) {
        TakeLine(m_pending.substr(0, end), now);
        m_pending.erase(0, end + 1);
    }
    if (!Broken() && m_pending.size() > kMaxLineBytes)
        Break("a garbled line", m_pending);
}

void CChildReport::TakeLine(const std::string& line, Clock::time_point now)
{
    m_heard = true;
    m_lastMessage = now;
    const std::string wrong = Judge(Fields(line), now);
    if (!wrong.empty())
        Break(wrong, line);
}

std::string CChildReport::Judge(const std::vector<std::string>& fields, Clock::time_point now)
{
    // Nothing comes after "done".
    if (m_saidDone)
        return "a line out of turn";
    if (fields.size() == 1 && fields[0] == "done") {
        if (RunningReported())
            return "\"done\" during " + m_running + ", before its result: a forged line";
        m_saidDone = true;
        return "";
    }
    if (fields.size() == 2 && fields[0] == "start") {
        if (!FindCheck(fields[1]))
            return "a garbled line";
        if (RunningReported() || HasResult(fields[1]))
            return "a line out of turn";
        m_running = fields[1];
        m_runningSince = now;
        return "";
    }
    if (fields.size() == 6 && fields[0] == "result")
        return TakeResult(fields);
    return "a garbled line";
}

std::string CChildReport::TakeResult(const std::vector<std::string>& fields)
{
    const std::string& id = fields[1];
    CheckVerdict verdict = CheckVerdict::Skipped;
    if (!FindCheck(id) || !VerdictFromName(fields[2], verdict))
        return "a garbled line";
    if (CataloguePosition(id) < CataloguePosition(m_first) || HasResult(id) || (RunningReported() && id != m_running))
        return "a line out of turn";
    m_results.push_back({id, verdict, Unescaped(fields[5]), std::strtod(fields[4].c_str(), nullptr), fields[3]});
    if (id == m_running)
        m_running.clear();
    return "";
}

void CChildReport::Break(const std::string& what, const std::string& line)
{
    m_broken = "the checking process wrote " + what + (what[0] == '"' ? "" : ": " + Quoted(line));
}

void CChildReport::Observe(const ChildState& state, Clock::time_point now)
{
    if (state.call[0] == '\0') {
        m_inCall = false;
        return;
    }
    if (m_inCall && state.callCount == m_callCount)
        return;
    m_inCall = true;
    m_callCount = state.callCount;
    m_callSince = now;
    m_call = NotedCall(state);
}

CChildReport::Clock::time_point CChildReport::Deadline() const
{
    if (!m_heard)
        return Clock::time_point::max();
    const Clock::time_point checkEnd =
        m_running.empty() ? m_lastMessage + m_times.callBound : m_runningSince + m_times.Limit(m_running);
    if (!m_inCall)
        return checkEnd;
    const Clock::time_point callEnd = m_callSince + m_times.callBound;
    return m_callSince <= checkEnd ? callEnd : std::min(callEnd, checkEnd);
}

bool CChildReport::HasResult(const std::string& id) const
{
    return std::any_of(m_results.begin(), m_results.end(), [&](const CheckResult& r) { return r.id == id; });
}

bool CChildReport::Replaying() const
{
    return !m_running.empty() && CataloguePosition(m_running) < CataloguePosition(m_first);
}

bool CChildReport::RunningReported() const
{
    return !m_running.empty() && !Replaying();
}

std::string CChildReport::MissingId() const
{
    const std::vector<CheckInfo>& checks = CheckCatalogue();
    for (size_t i = CataloguePosition(m_first); i < checks.size(); ++i)
        if (!HasResult(checks[i].id))
            return checks[i].id;
    return std::string();
}

CheckResult CChildReport::Charge(const std::string& what, Clock::time_point now) const
{
    // The check running, else the first without a result; a child that
    // ended after its last result fails the last check.
    const std::string missing = MissingId();
    const std::string id = RunningReported() ? m_running : missing.empty() ? CheckCatalogue().back().id : missing;
    const std::string repeating = Replaying() ? " (while repeating " + m_running + " to reach this check)" : "";
    const Clock::time_point since = m_running.empty() ? (m_heard ? m_lastMessage : now) : m_runningSince;
    return {id, CheckVerdict::Fail, what + repeating, Seconds(now - since), kCallsRule};
}

CheckResult CChildReport::Ended(unsigned long exitCode, const ChildState& state, Clock::time_point now) const
{
    return Charge(DescribeEnd(exitCode, state), now);
}

CheckResult CChildReport::Stalled(Clock::time_point now) const
{
    if (m_inCall && now >= m_callSince + m_times.callBound)
        return Charge(m_call + " did not return within " + SecondsText(m_times.callBound) +
                          "; its process was ended",
                      now);
    const Clock::duration limit = m_running.empty() ? m_times.callBound : m_times.Limit(m_running);
    return Charge("the check did not end within " + SecondsText(limit) + "; its process was ended", now);
}

CheckResult CChildReport::BrokenLine(Clock::time_point now) const
{
    return Charge(m_broken, now);
}

CheckResult CChildReport::Incomplete(bool ended, unsigned long exitCode, Clock::time_point now) const
{
    const std::string id = MissingId();
    const std::string what = ended ? "the checking process ended before " + id + " (" +
                                         DescribeProcessEnd(exitCode) + ")"
                                   : "the checking process said it was done before " + id +
                                         " and did not end; its process was ended";
    return {id, CheckVerdict::Fail, what, Seconds(now - m_lastMessage), kCallsRule};
}
