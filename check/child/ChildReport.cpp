#include "check/child/ChildReport.h"

#include "check/checks/CheckCatalogue.h"
#include "guard/ProcessEnd.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

const unsigned long kAccessViolation = 0xC0000005ul;

typedef std::chrono::milliseconds ms;

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

CheckVerdict VerdictFromName(const std::string& name)
{
    for (CheckVerdict verdict : {CheckVerdict::Pass, CheckVerdict::Info, CheckVerdict::Warning, CheckVerdict::Fail})
        if (name == VerdictName(verdict))
            return verdict;
    return CheckVerdict::Skipped;
}

double Seconds(CChildReport::Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
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

std::string CChildReport::StartLine(const std::string& id, Clock::duration limit)
{
    return "start\t" + id + "\t" + std::to_string(std::chrono::duration_cast<ms>(limit).count()) + "\n";
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

CChildReport::CChildReport(const std::string& first, Clock::duration idleBound)
    : m_first(first), m_idleBound(idleBound), m_done(false), m_heard(false), m_runningLimit(0)
{
}

void CChildReport::Take(const std::string& bytes, Clock::time_point now)
{
    m_pending += bytes;
    for (size_t end = m_pending.find('\n'); end != std::string::npos; end = m_pending.find('\n')) {
        TakeLine(m_pending.substr(0, end), now);
        m_pending.erase(0, end + 1);
    }
}

void CChildReport::TakeLine(const std::string& line, Clock::time_point now)
{
    const std::vector<std::string> fields = Fields(line);
    m_heard = true;
    m_lastMessage = now;
    if (fields[0] == "done") {
        m_done = true;
    } else if (fields[0] == "start" && fields.size() == 3) {
        m_running = fields[1];
        m_runningSince = now;
        m_runningLimit = ms(std::strtoll(fields[2].c_str(), nullptr, 10));
    } else if (fields[0] == "result" && fields.size() == 6) {
        m_results.push_back({fields[1], VerdictFromName(fields[2]), Unescaped(fields[5]),
                             std::strtod(fields[4].c_str(), nullptr), fields[3]});
        if (fields[1] == m_running)
            m_running.clear();
    }
}

CChildReport::Clock::time_point CChildReport::Deadline() const
{
    if (!m_heard)
        return Clock::time_point::max();
    return m_running.empty() ? m_lastMessage + m_idleBound : m_runningSince + m_runningLimit;
}

bool CChildReport::Replaying() const
{
    return !m_running.empty() && CataloguePosition(m_running) < CataloguePosition(m_first);
}

std::string CChildReport::ChargedId() const
{
    if (!m_running.empty() && !Replaying())
        return m_running;
    const std::vector<CheckInfo>& checks = CheckCatalogue();
    for (size_t i = CataloguePosition(m_first); i < checks.size(); ++i) {
        const bool reported = std::any_of(m_results.begin(), m_results.end(),
                                          [&](const CheckResult& r) { return r.id == checks[i].id; });
        if (!reported)
            return checks[i].id;
    }
    return checks.back().id;
}

CheckResult CChildReport::Charge(const std::string& what, Clock::time_point now) const
{
    const std::string repeating = Replaying() ? " (while repeating " + m_running + " to reach this check)" : "";
    const Clock::time_point since = m_running.empty() ? (m_heard ? m_lastMessage : now) : m_runningSince;
    return {ChargedId(), CheckVerdict::Fail, what + repeating, Seconds(now - since), kCallsRule};
}

CheckResult CChildReport::Ended(unsigned long exitCode, const ChildState& state, Clock::time_point now) const
{
    return Charge(DescribeEnd(exitCode, state), now);
}

CheckResult CChildReport::Stalled(const ChildState& state, Clock::time_point now) const
{
    const std::string call = NotedCall(state);
    const Clock::duration bound = m_running.empty() ? m_idleBound : m_runningLimit;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", Seconds(bound));
    return Charge((call.empty() ? std::string("the check did not end") : call + " did not return") + " within " +
                      seconds + " s; its process was ended",
                  now);
}
