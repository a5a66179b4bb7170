#include "check/checks/LibraryChecker.h"

#include "check/checks/CheckCatalogue.h"
#include "check/checks/DataChecks.h"
#include "check/checks/ExportChecks.h"
#include "check/checks/SoakJudgement.h"
#include "check/recording/CallTrace.h"
#include "pe/FileBytes.h"
#include "pe/PeExports.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <thread>
#include <utility>

namespace {

typedef std::chrono::steady_clock Clock;
typedef std::chrono::milliseconds ms;

CheckOutcome Pass(const std::string& message)
{
    return {CheckVerdict::Pass, message};
}

CheckOutcome Fail(const std::string& message)
{
    return {CheckVerdict::Fail, message};
}

std::string SecondsText(ms duration)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", duration.count() / 1000.0);
    return text;
}

std::string ThreadList(const std::set<uint32_t>& threads)
{
    std::string text;
    for (uint32_t thread : threads)
        text += (text.empty() ? "" : ", ") + ThreadIdText(thread);
    return text;
}

std::set<uint32_t> NewThreads(const std::set<uint32_t>& before, const std::set<uint32_t>& after)
{
    std::set<uint32_t> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::inserter(added, added.end()));
    return added;
}

}  // namespace

CLibraryChecker::CLibraryChecker(I_CheckPlatform& platform, CCheckRecorder& recorder, const CheckTimes& times)
    : m_platform(platform),
      m_recorder(recorder),
      m_times(times),
      m_callbacks(recorder, [&platform] { return platform.CurrentThreadId(); }, platform.CurrentThreadId()),
      m_loaded(false),
      m_registered(false),
      m_acquiring(false)
{
}

void CLibraryChecker::Run(const char* id, const std::function<CheckOutcome()>& body)
{
    m_recorder.Run(id, body);
}

void CLibraryChecker::Check(const std::string& path)
{
    m_recorder.BeginLibrary(path);
    m_description = Description();
    m_pollMs.clear();
    m_registered = m_acquiring = false;
    CheckExports(path);
    FirstPass(path);
    LoadTwice(path);
    m_recorder.EndLibrary();
}

bool CLibraryChecker::CallLoad(const std::string& path, std::string& error)
{
    CCallTrace::CCall traced(m_recorder.Trace(), "LoadLibrary(\"" + path + "\")");
    m_recorder.SetCurrentCall("LoadLibrary");
    const bool loaded = m_platform.Load(path, error);
    m_recorder.SetCurrentCall(nullptr);
    traced.Returned(loaded ? "loaded" : "failed: " + error);
    return loaded;
}

bool CLibraryChecker::CallUnload()
{
    CCallTrace::CCall traced(m_recorder.Trace(), "FreeLibrary()");
    m_recorder.SetCurrentCall("FreeLibrary");
    const bool freed = m_platform.Unload();
    m_recorder.SetCurrentCall(nullptr);
    traced.Returned(freed ? "freed" : "failed");
    return freed;
}

void CLibraryChecker::CheckExports(const std::string& path)
{
    std::vector<unsigned char> bytes;
    std::vector<std::string> names;
    std::string error;
    if (!ReadWholeFile(path, bytes, error) || !ReadExportNames(CPeImage(std::move(bytes)), names, error)) {
        Run("exports.required", [&] { return Fail(error); });
        const CheckOutcome unread = {CheckVerdict::Skipped, "skipped: the export table could not be read"};
        Run("exports.version", [&] { return unread; });
        Run("exports.unknown", [&] { return unread; });
        return;
    }
    const ExportOutcomes outcomes = CheckExportNames(names);
    Run("exports.required", [&] { return outcomes.required; });
    Run("exports.version", [&] { return outcomes.version; });
    Run("exports.unknown", [&] { return outcomes.unknown; });
}

void CLibraryChecker::FirstPass(const std::string& path)
{
    const std::set<uint32_t> threadsBefore = m_platform.Threads();
    const int windowsBefore = m_platform.ThreadWindowCount();
    m_loaded = false;
    CLibraryCalls calls(m_recorder);
    bool bound = false;
    Run("load.library", [&] {
        std::string error;
        if (!CallLoad(path, error))
            return Fail("LoadLibrary failed: " + error);
        m_loaded = true;
        bound = calls.Bind([this](const char* name) { return m_platform.Export(name); });
        // Where the export table names them all, each must be found.
        if (!bound && m_recorder.Passed("exports.required"))
            return Fail("loaded, but GetProcAddress does not find " + UnboundProcedure());
        return Pass("loaded");
    });
    if (!m_loaded)
        return;
    // Without every required export there is nothing more to call; the
    // checks that need them are skipped (exports.required or load.library
    // has failed).
    if (bound) {
        Describe(calls);
        Readiness(calls);
        Data(calls);
        Cycles(calls);
        Soak(calls);
        PollTime();
        Unregister(calls);
        Release(calls);
    }
    Unload(threadsBefore, windowsBefore);
}

void CLibraryChecker::Describe(CLibraryCalls& calls)
{
    CTextChecks texts(calls);
    Run("description.count", [&] { return texts.Count(m_description); });
    const int32_t count = m_description.count;
    Run("texts.buffer_guard", [&] { return texts.BufferGuard(count); });
    Run("texts.device_name", [&] { return texts.DeviceName(m_description); });
    Run("texts.component_names", [&] { return texts.ComponentNames(count); });
    Run("texts.units", [&] { return texts.Units(count); });
    Run("description.types", [&] { return texts.Types(count); });
    Run("description.precision", [&] { return texts.Precisions(count); });
}

void CLibraryChecker::Readiness(CLibraryCalls& calls)
{
    Run("readiness.callback", [&] {
        m_callbacks.Reset();
        m_registered = true;
        calls.SetCallbackInfo(&CCallbackRecorder::OnState, &m_callbacks);
        if (!Prepare(calls)) {
            const int64_t reports = m_callbacks.Reports();
            return Fail("no state 1 within " + SecondsText(m_times.readyBound) + " (" + std::to_string(reports) +
                        " reports" + (reports ? ", the last " + std::to_string(m_callbacks.LastState()) : "") + ")");
        }
        m_platform.Pump(m_times.readySettle);
        const std::string seen = "state 1 after " + std::to_string(m_callbacks.ReadyAfterMs()) + " ms, " +
                                 std::to_string(m_callbacks.Reports()) + " reports, from " + m_callbacks.Sources();
        if (m_callbacks.LastState() != TAVRO_STATE_READY)
            return CheckOutcome{CheckVerdict::Warning, seen + "; but the last state reported is " +
                                                           std::to_string(m_callbacks.LastState()) +
                                                           " (a host that looks later sees not ready)"};
        return Pass(seen);
    });
}

void CLibraryChecker::Data(CLibraryCalls& calls)
{
    // The types are read again only when they were read well before (not
    // when reading them ended an earlier checking process).
    std::vector<int32_t> types;
    for (int32_t i = 0; m_recorder.Passed("description.types") && i < m_description.count; ++i)
        types.push_back(calls.GetComponentDataType(i));
    CRecordEvidence lastData("Tavro_GetLastData", types);
    CRecordEvidence getData("Tavro_GetData", types);
    bool started = false;
    Run("data.last_data", [&] {
        started = true;
        Start(calls);
        const Clock::time_point end = Clock::now() + m_times.dataWatch;
        while (Clock::now() < end) {
            lastData.Inspect(Poll(calls));
            m_platform.Pump(m_times.pollInterval);
        }
        return JudgeLastData(lastData, m_times.dataWatch.count() / 1000.0);
    });
    Run("data.count_vs_getdata", [&] {
        // In a process where data.last_data did not run (it ended an earlier
        // one), the acquisition is started here.
        if (!started) {
            Start(calls);
            m_platform.Pump(m_times.dataWatch);
        }
        StopIfAcquiring(calls);
        return CheckCountAgainstGetData(calls, getData);
    });
    Run("data.times_monotonic", [&] { return JudgeTimes(lastData, getData); });
    Run("data.strings", [&] { return JudgeStrings(lastData, getData); });
}

bool CLibraryChecker::Prepare(CLibraryCalls& calls)
{
    calls.PrepareExperiment();
    const Clock::time_point end = Clock::now() + m_times.readyBound;
    while (!m_callbacks.ReadySeen() && Clock::now() < end)
        m_platform.Pump(m_times.pollInterval);
    return m_callbacks.ReadySeen();
}

void CLibraryChecker::Start(CLibraryCalls& calls)
{
    m_acquiring = true;
    calls.StartExperiment();
}

void CLibraryChecker::StopIfAcquiring(CLibraryCalls& calls)
{
    if (!m_acquiring)
        return;
    m_acquiring = false;
    calls.StopExperiment();
}

const TavroDataRecord* CLibraryChecker::Poll(CLibraryCalls& calls)
{
    const Clock::time_point start = Clock::now();
    const TavroDataRecord* record = calls.GetLastData();
    m_pollMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    return record;
}

void CLibraryChecker::Cycles(CLibraryCalls& calls)
{
    Run("acquisition.cycles", [&] {
        StopIfAcquiring(calls);
        const std::string of = " of " + std::to_string(m_times.cycles) + ": ";
        int64_t slowestReady = 0;
        int mostPolls = 0;
        for (int cycle = 1; cycle <= m_times.cycles; ++cycle) {
            m_callbacks.Reset();
            if (!Prepare(calls))
                return Fail("acquisition " + std::to_string(cycle) + of + "no state 1 within " +
                            SecondsText(m_times.readyBound) + " of Tavro_PrepareExperiment (" +
                            std::to_string(m_callbacks.Reports()) + " reports)");
            slowestReady = std::max(slowestReady, m_callbacks.ReadyAfterMs());
            Start(calls);
            const int polls = PollUntilRecord(calls);
            StopIfAcquiring(calls);
            if (polls == 0)
                return CheckOutcome{CheckVerdict::Fail, "acquisition " + std::to_string(cycle) + of +
                                                            "no record from Tavro_GetLastData in " +
                                                            SecondsText(m_times.dataWatch), "records"};
            mostPolls = std::max(mostPolls, polls);
        }
        return Pass(std::to_string(m_times.cycles) + " acquisitions in one load: state 1 after at most " +
                    std::to_string(slowestReady) + " ms, a record by poll " + std::to_string(mostPolls) +
                    " at the latest");
    });
}

int CLibraryChecker::PollUntilRecord(CLibraryCalls& calls)
{
    const Clock::time_point end = Clock::now() + m_times.dataWatch;
    for (int polls = 1;; ++polls) {
        const TavroDataRecord* record = Poll(calls);
        if (record && (record->values || m_description.count <= 0))
            return polls;
        if (Clock::now() >= end)
            return 0;
        m_platform.Pump(m_times.pollInterval);
    }
}

std::string CLibraryChecker::UnboundProcedure()
{
    for (int id = 0; id < TAVRO_PROCEDURE_COUNT; ++id)
        if (IsRequiredProcedure(id) && !m_platform.Export(GetProcedureName(id)))
            return GetProcedureName(id);
    return "a required procedure";
}

void CLibraryChecker::Soak(CLibraryCalls& calls)
{
    Run("acquisition.soak", [&] {
        StopIfAcquiring(calls);
        m_callbacks.Reset();
        if (!Prepare(calls))
            return CheckOutcome{CheckVerdict::Fail, "no state 1 within " + SecondsText(m_times.readyBound) +
                                                        " of Tavro_PrepareExperiment", "ready"};
        Start(calls);
        // At the host's pace for the soak's time: each poll is due one poll
        // interval after the one before was due, or at once when the
        // library's calls have made it late. A slow library gets fewer
        // polls, never more time.
        std::vector<ResourceUse> samples;
        const Clock::time_point start = Clock::now();
        const Clock::time_point end = start + m_times.soak;
        for (Clock::time_point due = start + m_times.hostPoll; due <= end;
             due = std::max(due + m_times.hostPoll, Clock::now())) {
            m_platform.Pump(std::max(ms(0), std::chrono::duration_cast<ms>(due - Clock::now())));
            Poll(calls);
            samples.push_back(m_platform.Resources());
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        StopIfAcquiring(calls);
        return JudgeSoak(samples, samples.size() / 5, seconds);
    });
}

void CLibraryChecker::PollTime()
{
    Run("acquisition.poll_time", [&] { return JudgePollTimes(m_pollMs); });
}

void CLibraryChecker::Release(CLibraryCalls& calls)
{
    StopIfAcquiring(calls);
    if (m_registered) {
        m_registered = false;
        calls.SetCallbackInfo(nullptr, nullptr);
    }
}

void CLibraryChecker::Unregister(CLibraryCalls& calls)
{
    Run("unregister.no_callback_after", [&] {
        // Prepared again and unregistered at once: a library whose ready
        // report is still pending must drop it.
        StopIfAcquiring(calls);
        m_callbacks.Reset();
        m_registered = true;
        calls.SetCallbackInfo(&CCallbackRecorder::OnState, &m_callbacks);
        calls.PrepareExperiment();
        m_registered = false;
        calls.SetCallbackInfo(nullptr, nullptr);
        m_callbacks.MarkUnregistered();
        m_platform.Pump(m_times.unregisterWatch);
        if (m_callbacks.LateReports() > 0)
            return Fail(std::to_string(m_callbacks.LateReports()) + " callback(s) after the unregister returned; first: " +
                        m_callbacks.FirstLate());
        return Pass("no callback in " + SecondsText(m_times.unregisterWatch) +
                    " after Tavro_SetCallbackInfo(NULL, NULL) returned");
    });
}

void CLibraryChecker::Unload(const std::set<uint32_t>& threadsBefore, int windowsBefore)
{
    // The library is freed by the first of the two checks that runs.
    bool unloaded = false;
    const auto unload = [&] {
        unloaded = true;
        return CallUnload();
    };
    Run("unload.threads", [&] {
        if (!unload())
            return Fail("FreeLibrary failed");
        const Clock::time_point end = Clock::now() + m_times.threadSettle;
        std::set<uint32_t> left = NewThreads(threadsBefore, m_platform.Threads());
        while (!left.empty() && Clock::now() < end) {
            m_platform.Pump(ms(0));
            std::this_thread::sleep_for(m_times.pollInterval);
            left = NewThreads(threadsBefore, m_platform.Threads());
        }
        if (!left.empty())
            return Fail(std::to_string(left.size()) + " thread(s) started while the library was loaded still run " +
                        SecondsText(m_times.threadSettle) + " after FreeLibrary: " + ThreadList(left));
        return Pass("no thread left (" + std::to_string(threadsBefore.size()) + " before loading, as many after)");
    });
    Run("unload.timers", [&] {
        if (!unloaded && !unload())
            return Fail("FreeLibrary failed");
        const int timers = m_platform.TimersAfterUnload(m_times.timerWatch);
        const int windows = m_platform.ThreadWindowCount() - windowsBefore;
        if (timers > 0 || windows > 0)
            return Fail(std::to_string(timers) + " WM_TIMER message(s) in " + SecondsText(m_times.timerWatch) +
                        " after FreeLibrary, " + std::to_string(windows > 0 ? windows : 0) + " window(s) left");
        return Pass("no WM_TIMER in " + SecondsText(m_times.timerWatch) + " after FreeLibrary, no window left");
    });
    // Where the run leaves both checks out, the library is still freed
    // before it is loaded again.
    if (!unloaded && !FindCheck("unload.threads") && !FindCheck("unload.timers"))
        CallUnload();
}

void CLibraryChecker::LoadTwice(const std::string& path)
{
    Run("unload.twice", [&] {
        for (int round = 1; round <= 2; ++round) {
            const CheckOutcome outcome = LoadDescribeUnload(path, round);
            if (outcome.verdict != CheckVerdict::Pass)
                return outcome;
        }
        return Pass("loaded, described and unloaded twice more: same name and count, unmapped each time");
    });
}

CheckOutcome CLibraryChecker::LoadDescribeUnload(const std::string& path, int round)
{
    const std::string which = "round " + std::to_string(round) + ": ";
    std::string error;
    if (!CallLoad(path, error))
        return CheckOutcome(CheckVerdict::Fail, which + "LoadLibrary failed: " + error, "load");
    CLibraryCalls calls(m_recorder);
    // Only what was described well the first time is described again.
    Description again = m_description;
    if (calls.Bind([this](const char* name) { return m_platform.Export(name); })) {
        if (m_recorder.Passed("texts.device_name"))
            again.name = ReadGuardedText([&](char* b, int32_t size) { calls.GetDeviceName(b, size); }, 256).text;
        if (m_recorder.Passed("description.count"))
            again.count = calls.GetNumberOfComponents();
        for (int32_t i = 0; m_recorder.Passed("description.types") && i < again.count && i < 100000; ++i)
            calls.GetComponentDataType(i);
    }
    if (!CallUnload())
        return Fail(which + "FreeLibrary failed");
    if (m_platform.StillMapped())
        return Fail(which + "the library is still mapped after FreeLibrary");
    if (again.name != m_description.name || again.count != m_description.count)
        return CheckOutcome(CheckVerdict::Fail,
                            which + "described as " + Quoted(again.name) + " with " + std::to_string(again.count) +
                                " components, first as " + Quoted(m_description.name) + " with " +
                                std::to_string(m_description.count),
                            "description");
    return Pass("");
}
