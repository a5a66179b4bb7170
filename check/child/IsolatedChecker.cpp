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

CheckResult Failure(const std::string& id, const std::string& message)
{
    return {id, CheckVerdict::Fail, message, 0};
}

}  // namespace

CIsolatedChecker::CIsolatedChecker(CCheckRecorder& recorder, const CheckOptions& options)
    : m_recorder(recorder), m_options(options), m_seconds(options.seconds)
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
        m_recorder.Add(Failure(first, "could not start a checking process: " + error));
        return first;
    }
    channel.CloseChildEnd();
    CChildReport report(first, std::chrono::milliseconds(static_cast<long long>(m_seconds * 1000)));
    const bool stalled = Watch(child, channel, report);
    for (const CheckResult& result : report.Results())
        m_recorder.Add(result);
    if (report.Done()) {
        child.Wait(static_cast<DWORD>(m_seconds * 1000));
        return std::string();
    }
    const CheckResult failure = stalled ? report.Stalled(channel.State(), Clock::now())
                                        : report.Ended(child.ExitCode(), channel.State(), Clock::now());
    m_recorder.Add(failure);
    TraceUnreturnedCall(channel.State(), failure);
    return failure.id;
}

void CIsolatedChecker::TraceUnreturnedCall(const ChildState& state, const CheckResult& failure) const
{
    const char* const end = std::find(state.pendingTrace, state.pendingTrace + sizeof state.pendingTrace, '\0');
    if (m_options.trace.empty() || end == state.pendingTrace)
        return;
    CCallTrace::Append(m_options.trace,
                       std::string(state.pendingTrace, end) + " -> did not return: " + failure.message);
}

bool CIsolatedChecker::Watch(CChildProcess& child, CChildChannel& channel, CChildReport& report)
{
    for (;;) {
        const bool exited = child.Wait(kPollMs);
        report.Take(channel.ReadAvailable(), Clock::now());
        if (report.Done() || exited)
            return false;
        if (Clock::now() > report.Deadline()) {
            child.Terminate(1, INFINITE);
            return true;
        }
    }
}
