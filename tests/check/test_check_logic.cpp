// The checks against a fake library: each misbehaviour fails exactly its
// check; the recorder skips what depends on a failed check and charges an
// exception to the running check and its call. The parent's judgement of a
// checking child that died or stalled, from the child's messages and state.
#include "FakeLibrary.h"

#include "check/checks/CheckCatalogue.h"
#include "check/checks/GuardedBuffer.h"
#include "check/checks/LibraryChecker.h"
#include "check/child/ChildReport.h"
#include "check/recording/CheckRecorder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <stdexcept>

namespace {

typedef std::chrono::milliseconds ms;

// The export table is read from a real file: a fixture with all 14 exports.
std::string ExportSource()
{
    return std::string(TAVRO_FIXTURE_DIR) + "/fixture_good.dll";
}

LibraryResults CheckFake(const FakeBehaviour& behaviour)
{
    ResetFakeLibrary(behaviour);
    CheckTimes times;
    times.readyBound = times.dataWatch = times.unregisterWatch = ms(60);
    times.readySettle = times.pollInterval = ms(5);
    times.threadSettle = times.timerWatch = ms(10);
    times.soak = ms(200);
    times.hostPoll = ms(5);
    CFakePlatform platform;
    CCheckRecorder recorder;
    CLibraryChecker(platform, recorder, times).Check(ExportSource());
    return recorder.Results().at(0);
}

std::set<std::string> With(const LibraryResults& results, CheckVerdict verdict)
{
    std::set<std::string> ids;
    for (const CheckResult& check : results.checks)
        if (check.verdict == verdict)
            ids.insert(check.id);
    return ids;
}

const CheckResult& Find(const LibraryResults& results, const std::string& id)
{
    for (const CheckResult& check : results.checks)
        if (check.id == id)
            return check;
    throw std::runtime_error("no result for " + id);
}

TEST(CheckLogic, EachMisbehaviourFailsOrWarnsOnItsCheckOnly)
{
    struct Case {
        const char* what;
        FakeBehaviour behaviour;
        std::set<std::string> failed;
        std::set<std::string> warned;
    };
    std::vector<Case> cases(10);
    cases[0].what = "well behaved";
    cases[1] = {"never ready", {}, {"readiness.callback"}, {}};
    cases[1].behaviour.neverReady = true;
    cases[2] = {"backwards", {}, {}, {"data.times_monotonic"}};
    cases[2].behaviour.timeBackwards = true;
    cases[3] = {"null string", {}, {"data.strings"}, {}};
    cases[3].behaviour.nullString = true;
    cases[4] = {"count stuck", {}, {}, {}};
    cases[4].behaviour.countStuck = true;
    cases[5] = {"late callback", {}, {"unregister.no_callback_after"}, {}};
    cases[5].behaviour.lateCallback = true;
    cases[6] = {"type 8", {}, {"description.types"}, {}};
    cases[6].behaviour.type = 8;
    cases[7] = {"ready once", {}, {"acquisition.cycles"}, {}};
    cases[7].behaviour.readyOnce = true;
    cases[8] = {"a handle per poll", {}, {"acquisition.soak"}, {}};
    cases[8].behaviour.leakPerPoll = 1;
    cases[9] = {"slow poll", {}, {}, {"acquisition.poll_time"}};
    cases[9].behaviour.slowPollMs = 12;
    for (const Case& c : cases) {
        const LibraryResults results = CheckFake(c.behaviour);
        EXPECT_EQ(With(results, CheckVerdict::Fail), c.failed) << c.what;
        EXPECT_EQ(With(results, CheckVerdict::Warning), c.warned) << c.what;
        EXPECT_EQ(results.checks.size(), CheckCatalogue().size()) << c.what;
        for (const CheckResult& check : results.checks)
            EXPECT_EQ(check.rule.empty(), check.verdict != CheckVerdict::Fail) << check.id;
    }
}

TEST(CheckLogic, WhatTheInterfaceLeavesOpenIsInformation)
{
    FakeBehaviour stuck;
    stuck.countStuck = true;
    const CheckResult count = Find(CheckFake(stuck), "data.count_vs_getdata");
    EXPECT_EQ(count.verdict, CheckVerdict::Info);
    EXPECT_EQ(count.message, "not a queue: after one Tavro_GetData the count went from 5 to 5 (what the count "
                             "means is left open)");
    FakeBehaviour leak;
    leak.leakPerPoll = 1;
    const CheckResult soak = Find(CheckFake(leak), "acquisition.soak");
    EXPECT_EQ(soak.rule, "bounded");
    EXPECT_NE(soak.message.find("handles grew steadily by 1.00 per poll over 32 polls"), std::string::npos)
        << soak.message;
    EXPECT_NE(soak.message.find("(bound: 0.10 per poll)"), std::string::npos);
}

TEST(CheckLogic, OnlyAndSkipChooseChecksWithWhatTheyNeed)
{
    std::string unmatched;
    EXPECT_FALSE(ChooseChecks({"data.lastdata"}, {}, unmatched));
    EXPECT_EQ(unmatched, "data.lastdata");
    ASSERT_TRUE(ChooseChecks({"data.last_data", "unload.*"}, {"unload.twice"}, unmatched));
    LibraryResults results = CheckFake(FakeBehaviour());
    std::set<std::string> ran;
    for (const CheckResult& check : results.checks)
        ran.insert(check.id);
    EXPECT_EQ(ran, (std::set<std::string>{"exports.required", "load.library", "description.count",
                                          "description.types", "readiness.callback", "data.last_data",
                                          "unload.threads", "unload.timers"}));
    EXPECT_EQ(With(results, CheckVerdict::Pass), ran);
    ASSERT_TRUE(ChooseChecks({"data.*"}, {"readiness.*"}, unmatched));
    results = CheckFake(FakeBehaviour());
    EXPECT_EQ(Find(results, "data.last_data").message,
              "skipped: it needs readiness.callback, which --skip leaves out");
    ASSERT_TRUE(ChooseChecks({}, {}, unmatched));
    EXPECT_EQ(CheckCatalogue().size(), FullCatalogue().size());
}

TEST(CheckLogic, ReadinessNamesTheThreadAndTheCall)
{
    const LibraryResults results = CheckFake(FakeBehaviour());
    EXPECT_NE(Find(results, "readiness.callback").message.find("the checker's thread inside Tavro_PrepareExperiment"),
              std::string::npos);
    EXPECT_NE(Find(results, "data.count_vs_getdata").message.find("returns a record"), std::string::npos);
    EXPECT_EQ(Find(results, "acquisition.cycles").message,
              "10 acquisitions in one load: state 1 after at most 0 ms, a record by poll 1 at the latest");
}

TEST(CheckLogic, AnExceptionFailsTheRunningCheckAndSkipsItsDependents)
{
    FakeBehaviour behaviour;
    behaviour.throwInStart = true;
    const LibraryResults results = CheckFake(behaviour);
    EXPECT_EQ(With(results, CheckVerdict::Fail), std::set<std::string>{"data.last_data"});
    EXPECT_EQ(Find(results, "data.last_data").message,
              "Tavro_StartExperiment threw a C++ exception: the fake cannot start");
    EXPECT_EQ(Find(results, "data.strings").message, "skipped: data.last_data did not pass");
    EXPECT_EQ(With(results, CheckVerdict::Skipped),
              (std::set<std::string>{"data.times_monotonic", "data.strings", "acquisition.cycles", "acquisition.soak",
                                     "acquisition.poll_time"}));
}

TEST(CheckLogic, ALentBufferEndsRightBeforeANoAccessPage)
{
    const CGuardedBuffer buffer(4);
    MEMORY_BASIC_INFORMATION guard = {};
    ASSERT_TRUE(VirtualQuery(buffer.GuardPage(), &guard, sizeof guard));
    EXPECT_EQ(guard.Protect, static_cast<DWORD>(PAGE_NOACCESS));
    EXPECT_EQ(buffer.GuardPage(), buffer.Data() + 4);
    buffer.Data()[3] = 'x';
}

// A child's messages, then its end: the check charged and the message.
TEST(ChildReport, ADeadOrStalledChildFailsTheCheckThatWasRunning)
{
    typedef CChildReport::Clock Clock;
    struct Case {
        const char* first;  // the first check the child reports
        std::vector<std::string> lines;
        const char* call;
        uint32_t faultCode, faultThread;
        long long exitCode;  // -1: stalled
        const char* id;
        const char* message;
    };
    const std::string checked =
        CChildReport::ResultLine(CheckResult("description.count", CheckVerdict::Pass, "3 components", 0));
    const Case cases[] = {
        {"exports.required", {checked, CChildReport::StartLine("texts.buffer_guard", ms(2000))}, "Tavro_GetDeviceName",
         0xC0000005, 7, 0xC0000005, "texts.buffer_guard",
         "Tavro_GetDeviceName wrote past the end of a 256-byte buffer (exception 0xC0000005 (access violation))"},
        {"exports.required", {CChildReport::StartLine("readiness.callback", ms(2000))}, "Tavro_PrepareExperiment", 0, 0,
         3, "readiness.callback", "Tavro_PrepareExperiment ended the process with exit code 3"},
        {"exports.required", {CChildReport::StartLine("texts.component_names", ms(2000))}, "Tavro_GetComponentName",
         0xC00000FD, 7, 0xC00000FD, "texts.component_names",
         "exception 0xC00000FD (stack overflow) inside Tavro_GetComponentName"},
        {"exports.required", {CChildReport::StartLine("data.last_data", ms(2000))}, "Tavro_GetLastData", 0xC0000005,
         9, 0xC0000005, "data.last_data",
         "exception 0xC0000005 (access violation) on a thread of the library, during Tavro_GetLastData"},
        {"texts.buffer_guard", {checked}, "", 0, 0, 0, "texts.buffer_guard",
         "the process ended with exit code 0 outside any library call"},
        {"data.count_vs_getdata", {CChildReport::StartLine("readiness.callback", ms(2000))}, "Tavro_PrepareExperiment",
         0xC0000409, 7, 0xC0000409, "data.count_vs_getdata",
         "exception 0xC0000409 (fail-fast or stack buffer overrun) inside Tavro_PrepareExperiment (while repeating "
         "readiness.callback to reach this check)"},
        {"exports.required", {CChildReport::StartLine("data.last_data", ms(3000))}, "Tavro_GetLastData", 0, 0, -1,
         "data.last_data", "Tavro_GetLastData did not return within 3.0 s; its process was ended"},
    };
    for (const Case& c : cases) {
        const Clock::time_point start = Clock::now();
        CChildReport report(c.first, ms(2000));
        EXPECT_EQ(report.Deadline(), Clock::time_point::max());
        for (const std::string& line : c.lines)
            report.Take(line, start);
        ChildState state = {};
        std::snprintf(state.call, sizeof state.call, "%s", c.call);
        state.checkingThread = 7;
        state.faultCode = c.faultCode;
        state.faultThread = c.faultThread;
        state.bufferSize = 256;
        state.guardBegin = 0x10000;
        state.guardEnd = 0x11000;
        state.faultAddress = 0x10000;
        state.faultAccess = 1;
        const CheckResult failure =
            c.exitCode < 0 ? report.Stalled(state, start + ms(3001))
                           : report.Ended(static_cast<unsigned long>(c.exitCode), state, start + ms(10));
        EXPECT_EQ(failure.id, c.id) << c.message;
        EXPECT_EQ(failure.message, c.message);
        EXPECT_EQ(failure.verdict, CheckVerdict::Fail);
        EXPECT_EQ(failure.rule, "calls");
        EXPECT_FALSE(report.Done());
    }
}

TEST(ChildReport, ResultsArriveWholeInAnyPieces)
{
    const CheckResult sent("texts.device_name", CheckVerdict::Fail, "\"a\tb\\n\"\non two lines", 0.25, "texts");
    const std::string text = CChildReport::StartLine(sent.id, ms(500)) + CChildReport::ResultLine(sent) +
                             CChildReport::DoneLine();
    CChildReport report("exports.required", ms(2000));
    const CChildReport::Clock::time_point now = CChildReport::Clock::now();
    for (char c : text)
        report.Take(std::string(1, c), now);
    ASSERT_EQ(report.Results().size(), 1u);
    EXPECT_EQ(report.Results()[0].message, sent.message);
    EXPECT_EQ(report.Results()[0].verdict, CheckVerdict::Fail);
    EXPECT_EQ(report.Results()[0].rule, "texts");
    EXPECT_DOUBLE_EQ(report.Results()[0].seconds, 0.25);
    EXPECT_TRUE(report.Done());
    EXPECT_EQ(report.Deadline(), now + ms(2000));
}

}  // namespace
