#include "check/child/IsolatedChecker.h"

#include "check/checks/CheckCatalogue.h"
#include "check/child/ChildChannel.h"
#include "check/child/ChildReport.h"
#include "check/recording/CallTrace.h"
#include "guard/ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

typedef CChildReport::Clock Clock;

// How often the parent looks at the pipe and the child.
const DWORD kPollMs = 20;

std::string SecondsText(CheckTimes::ms duration)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", duration.count() / 1000.0);
    return text;
}

}  // namespace

CIsolatedChecker::CIsolatedChecker(CCheckRecorder& recorder, const CheckOptions& options, std::ostream& err)
    : m_recorder(recorder), m_options(options), m_times(CheckTimes::ForBound(options.seconds, options.soak)), m_err(err)
{
}

void CIsolatedChecker::Check(const std::string& path)
{
    m_recorder.BeginLibrary(path);
    std::set<std::string> ended;
    for (;;) {
        // Each charged check comes after every one charged before, so this
        // ends after as many children as there are checks, at most.
        const std::string charged = RunChild(path, ended);
        if (charged.empty() || FirstCheckAfter({charged}).empty())
            break;
        ended.insert(charged);
    }
    m_recorder.EndLibrary();
}

std::string CIsolatedChecker::ChildArguments(const std::string& channel, const std::set<std::string>& ended,
                                             const std::string& path) const
{
    std::string list;
    for (const std::string& id : ended)
        list += (list.empty() ? "" : ",") + id;
    return "--child " + channel + ":" + list + " " + m_options.ChildOptions() + " \"" + path + "\"";
}

std::string CIsolatedChecker::RunChild(const std::string& path, const std::set<std::string>& ended)
{
    const std::string first = FirstCheckAfter(ended);
    CChildChannel channel;
    CChildProcess child;
    std::string error = channel.ErrorText();
    if (!channel.Valid() ||
        !child.Start(ChildArguments(channel.HandleText(), ended, path), channel.ChildHandles(), error)) {
        m_recorder.Add({first, CheckVerdict::Fail, "could not start a checking process: " + error, 0});
        return first;
    }
    channel.CloseChildEnd();
    CChildReport report(first, m_times);
    const Watched watched = Watch(child, channel, report);
    for (const CheckResult& result : report.Results())
        m_recorder.Add(result);
    const CheckResult failure = Failure(watched, child, channel, report, path);
    if (failure.id.empty())
        return std::string();
    m_recorder.Add(failure);
    TraceUnreturnedCall(channel.State(), failure);
    return failure.id;
}

CIsolatedChecker::Watched CIsolatedChecker::Watch(CChildProcess& child, CChildChannel& channel, CChildReport& report)
{
    for (;;) {
        const bool exited = child.Wait(kPollMs);
        const Clock::time_point now = Clock::now();
        report.Take(channel.ReadAvailable(), now);
        report.Observe(channel.State(), now);
        if (report.Broken())
            return Watched::Broken;
        if (report.SaidDone())
            return Watched::Done;
        if (exited)
            return Watched::Ended;
        if (now > report.Deadline())
            return Watched::Stalled;
    }
}

CheckResult CIsolatedChecker::Failure(Watched watched, CChildProcess& child, const CChildChannel& channel,
                                      const CChildReport& report, const std::string& path)
{
    const Clock::time_point now = Clock::now();
    switch (watched) {
    case Watched::Done: {
        const bool ended = AwaitEnd(child, path);
        return report.Complete() ? CheckResult() : report.Incomplete(ended, child.ExitCode(), now);
    }
    case Watched::Ended:
        return report.Ended(child.ExitCode(), channel.State(), now);
    case Watched::Stalled:
        End(child, path, std::string());
        return report.Stalled(now);
    case Watched::Broken:
        End(child, path, std::string());
        return report.BrokenLine(now);
    }
    return CheckResult();
}

bool CIsolatedChecker::AwaitEnd(CChildProcess& child, const std::string& path)
{
    if (child.Wait(static_cast<DWORD>(m_times.callBound.count())))
        return true;
    End(child, path, "did not end within " + SecondsText(m_times.callBound) + " of its last report;");
    return false;
}

void CIsolatedChecker::End(CChildProcess& child, const std::string& path, const std::string& why)
{
    const bool ended = child.Terminate(1, static_cast<DWORD>(m_times.callBound.count()));
    if (ended && why.empty())
        return;
    m_err << "TavroCheck: the checking process " << GetProcessId(child.Handle()) << " of " << path << " "
          << (why.empty() ? "was ended" : why + " it was ended")
          << (ended ? "" : ", but it has not ended within " + SecondsText(m_times.callBound) +
                               "; the run goes on without it")
          << "\n";
    m_err.flush();
}

void CIsolatedChecker::TraceUnreturnedCall(const ChildState& state, const CheckResult& failure) const
{
    const char* const end = std::find(state.pendingTrace, state.pendingTrace + sizeof state.pendingTrace, '\0');
    if (m_options.trace.empty() || end == state.pendingTrace)
        return;
    CCallTrace::Append(m_options.trace,
                       std::string(state.pendingTrace, end) + " -> did not return: " + failure.message);
}
