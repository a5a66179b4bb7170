// The checks against a fake library: each misbehaviour fails exactly its
// check; the recorder skips what depends on a failed check and charges an
// exception to the running check and its call. The parent's judgement of a
// checking child that died or stalled, from the child's messages and state.
#include "FakeLibrary.h"

#include "check/checks/CheckCatalogue.h"
#include "check/checks/GuardedBuffer.h"
#include "check/checks/LibraryChecker.h"
#include "check/checks/SoakJudgement.h"
#include "check/child/ChildReport.h"
#include "check/recording/CheckRecorder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
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
    // Polled at the host's pace for the soak's time: about 40 polls here.
    EXPECT_EQ(soak.message.find("handles grew steadily by 1.00 per poll over "), 0u) << soak.message;
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

// A soak's samples: value(i) for each of polls, one series changed.
std::vector<ResourceUse> Samples(size_t polls, const std::function<void(size_t, ResourceUse&)>& value)
{
    std::vector<ResourceUse> samples(polls);
    for (size_t i = 0; i < polls; ++i) {
        samples[i].privateBytes = 8 << 20;
        samples[i].handles = 40;
        samples[i].threads = 3;
        value(i, samples[i]);
    }
    return samples;
}

// Growth fails only when it is steady (the floor of each quarter of the
// polls after the warm-up higher than the one before) and beyond its bound.
TEST(SoakJudgement, OnlySteadyGrowthBeyondItsBoundFails)
{
    struct Case {
        const char* what;
        std::vector<ResourceUse> samples;
        CheckVerdict verdict;
        const char* message;  // its start
    };
    const uint64_t mb = 1 << 20;
    const Case cases[] = {
        {"flat", Samples(50, [](size_t, ResourceUse&) {}), CheckVerdict::Pass, "50 polls in 5.0 s; after the first 10: "},
        {"a cache filled once, then level",
         Samples(50, [&](size_t i, ResourceUse& u) { u.privateBytes += (i < 20 ? i / 2 : 10) * mb; }),
         CheckVerdict::Pass, "50 polls"},
        {"allocated and freed", Samples(50, [&](size_t i, ResourceUse& u) { u.privateBytes += (i % 2) * mb; }),
         CheckVerdict::Pass, "50 polls"},
        {"a thread started and ended by turns", Samples(50, [](size_t i, ResourceUse& u) { u.threads += i % 2; }),
         CheckVerdict::Pass, "50 polls"},
        {"memory kept per poll", Samples(50, [](size_t i, ResourceUse& u) { u.privateBytes += 2048 * i; }),
         CheckVerdict::Fail, "private bytes grew steadily by 2048 bytes per poll over 40 polls"},
        {"a thread more every 5 polls", Samples(50, [](size_t i, ResourceUse& u) { u.threads += i / 5; }),
         CheckVerdict::Fail, "threads grew steadily by 0.20 per poll over 40 polls, from 5 to 12 (bound: 0.10"},
        {"a handle every 20 polls", Samples(50, [](size_t i, ResourceUse& u) { u.handles += i / 20; }),
         CheckVerdict::Pass, "50 polls"},
        {"too few polls", Samples(7, [](size_t i, ResourceUse& u) { u.handles += 100 * i; }), CheckVerdict::Info,
         "7 polls in 5.0 s: too few to judge growth"},
    };
    for (const Case& c : cases) {
        const CheckOutcome outcome = JudgeSoak(c.samples, c.samples.size() / 5, 5.0);
        EXPECT_EQ(outcome.verdict, c.verdict) << c.what << ": " << outcome.message;
        EXPECT_EQ(outcome.message.find(c.message), 0u) << c.what << ": " << outcome.message;
    }
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
        {"exports.required", {checked, CChildReport::StartLine("texts.buffer_guard")}, "Tavro_GetDeviceName",
         0xC0000005, 7, 0xC0000005, "texts.buffer_guard",
         "Tavro_GetDeviceName wrote past the end of a 256-byte buffer (exception 0xC0000005 (access violation))"},
        {"exports.required", {CChildReport::StartLine("readiness.callback")}, "Tavro_PrepareExperiment", 0, 0, 3,
         "readiness.callback", "Tavro_PrepareExperiment ended the process with exit code 3"},
        {"exports.required", {CChildReport::StartLine("texts.component_names")}, "Tavro_GetComponentName",
         0xC00000FD, 7, 0xC00000FD, "texts.component_names",
         "exception 0xC00000FD (stack overflow) inside Tavro_GetComponentName"},
        {"data.last_data", {CChildReport::StartLine("data.last_data")}, "Tavro_GetLastData", 0xC0000005, 9,
         0xC0000005, "data.last_data",
         "exception 0xC0000005 (access violation) on a thread of the library, during Tavro_GetLastData"},
        {"description.count", {checked}, "", 0, 0, 0, "texts.buffer_guard",
         "the process ended with exit code 0 outside any library call"},
        {"data.count_vs_getdata", {CChildReport::StartLine("readiness.callback")}, "Tavro_PrepareExperiment",
         0xC0000409, 7, 0xC0000409, "data.count_vs_getdata",
         "exception 0xC0000409 (fail-fast or stack buffer overrun) inside Tavro_PrepareExperiment (while repeating "
         "readiness.callback to reach this check)"},
        {"data.last_data", {CChildReport::StartLine("data.last_data")}, "Tavro_GetLastData", 0, 0, -1,
         "data.last_data", "Tavro_GetLastData did not return within 2.0 s; its process was ended"},
    };
    for (const Case& c : cases) {
        const Clock::time_point start = Clock::now();
        CChildReport report(c.first, CheckTimes::ForBound(2));
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
        report.Observe(state, start);
        const CheckResult failure =
            c.exitCode < 0 ? report.Stalled(start + ms(2001))
                           : report.Ended(static_cast<unsigned long>(c.exitCode), state, start + ms(10));
        EXPECT_EQ(failure.id, c.id) << c.message;
        EXPECT_EQ(failure.message, c.message);
        EXPECT_EQ(failure.verdict, CheckVerdict::Fail);
        EXPECT_EQ(failure.rule, "calls");
        EXPECT_FALSE(report.SaidDone() || report.Broken());
    }
}

// A call is held to the call bound from when the parent first sees it; a
// check to its own limit, except that a call begun within that limit may
// still take its bound. A call that returned is never said not to have.
TEST(ChildReport, LimitsAreTheParentsOwnPerCallAndPerCheck)
{
    typedef CChildReport::Clock Clock;
    const CheckTimes times = CheckTimes::ForBound(2);  // a call 2 s, the soak 2 + 5 + 2 s
    const Clock::time_point t0 = Clock::now();
    CChildReport report("acquisition.soak", times);
    report.Take(CChildReport::StartLine("acquisition.soak"), t0);
    ChildState state = {};
    const auto call = [&](const char* name, uint32_t count, Clock::time_point now) {
        std::snprintf(state.call, sizeof state.call, "%s", name);
        state.callCount = count;
        report.Observe(state, now);
    };
    EXPECT_EQ(report.Deadline(), t0 + ms(9000));
    call("Tavro_GetLastData", 1, t0 + ms(1000));
    EXPECT_EQ(report.Deadline(), t0 + ms(3000));
    call("Tavro_GetLastData", 1, t0 + ms(2500));  // the same call
    EXPECT_EQ(report.Deadline(), t0 + ms(3000));
    call("Tavro_GetLastData", 2, t0 + ms(2900));  // the next one
    EXPECT_EQ(report.Deadline(), t0 + ms(4900));
    call("", 2, t0 + ms(3000));
    EXPECT_EQ(report.Deadline(), t0 + ms(9000));
    call("Tavro_GetLastData", 3, t0 + ms(8500));
    EXPECT_EQ(report.Deadline(), t0 + ms(10500));
    EXPECT_EQ(report.Stalled(t0 + ms(10600)).message,
              "Tavro_GetLastData did not return within 2.0 s; its process was ended");
    call("Tavro_GetLastData", 4, t0 + ms(10600));  // it returned; one more began after the limit
    EXPECT_EQ(report.Deadline(), t0 + ms(9000));
    EXPECT_EQ(report.Stalled(t0 + ms(10600)).message,
              "the check did not end within 9.0 s; its process was ended");
}

// Lines that no checking child writes where they stand: the report takes
// nothing from there on, and the check they cut short fails, quoting them.
// "done" is believed only with a result for every check from the first.
TEST(ChildReport, TheParentBelievesOnlyWhatItSaw)
{
    typedef CChildReport::Clock Clock;
    const std::string start = CChildReport::StartLine("unload.timers");
    const std::string passed =
        CChildReport::ResultLine(CheckResult("unload.timers", CheckVerdict::Pass, "no timer", 0));
    const struct {
        std::string text;
        const char* id;
        const char* message;
    } cases[] = {
        {start + "done\n", "unload.timers",
         "the checking process wrote \"done\" during unload.timers, before its result: a forged line"},
        {start + "result\tunload.timers\tgood\t\t0\tfine\n", "unload.timers",
         "the checking process wrote a garbled line: \"result\\tunload.timers\\tgood\\t\\t0\\tfine\""},
        {"start\tunload.everything\n", "unload.timers",
         "the checking process wrote a garbled line: \"start\\tunload.everything\""},
        {CChildReport::ResultLine(CheckResult("unload.threads", CheckVerdict::Pass, "", 0)), "unload.timers",
         "the checking process wrote a line out of turn: \"result\\tunload.threads\\tpass\\t\\t0.000000\\t\""},
        {passed + passed, "unload.twice",
         "the checking process wrote a line out of turn: \"result\\tunload.timers\\tpass\\t\\t0.000000\\tno "
         "timer\""},
        {passed + "done\n" + passed, "unload.twice", "the checking process wrote a line out of turn: \"result"
                                                     "\\tunload.timers\\tpass\\t\\t0.000000\\tno timer\""},
        {std::string(1 << 21, 'x'), "unload.timers",
         "the checking process wrote a garbled line: \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
         "xxxxxxxxxxxxxxxx...\""},
    };
    const Clock::time_point now = Clock::now();
    for (const auto& c : cases) {
        CChildReport report("unload.timers", CheckTimes());
        report.Take(c.text, now);
        ASSERT_TRUE(report.Broken()) << c.message;
        const CheckResult failure = report.BrokenLine(now);
        EXPECT_EQ(failure.id, c.id);
        EXPECT_EQ(failure.message, c.message);
        EXPECT_EQ(failure.rule, "calls");
    }
    CChildReport report("unload.timers", CheckTimes());
    report.Take(start + passed + "done\n", now);
    EXPECT_TRUE(report.SaidDone() && !report.Broken() && !report.Complete());
    EXPECT_EQ(report.Incomplete(true, 0, now).message, "the checking process ended before unload.twice (exit code 0)");
    EXPECT_EQ(report.Incomplete(true, 0, now).id, "unload.twice");
    report.Take(CChildReport::ResultLine(CheckResult("unload.twice", CheckVerdict::Pass, "", 0)), now);
    EXPECT_TRUE(report.Broken());
}

TEST(ChildReport, ResultsArriveWholeInAnyPieces)
{
    const CheckResult sent("texts.device_name", CheckVerdict::Fail, "\"a\tb\\n\"\non two lines", 0.25, "texts");
    const CheckResult last("unload.twice", CheckVerdict::Skipped, "skipped: load.library did not pass", 0);
    const std::string text = CChildReport::StartLine(sent.id) + CChildReport::ResultLine(sent) +
                             CChildReport::ResultLine(last) + CChildReport::DoneLine();
    CChildReport report("exports.required", CheckTimes::ForBound(2));
    const CChildReport::Clock::time_point now = CChildReport::Clock::now();
    for (char c : text)
        report.Take(std::string(1, c), now);
    ASSERT_EQ(report.Results().size(), 2u);
    EXPECT_EQ(report.Results()[0].message, sent.message);
    EXPECT_EQ(report.Results()[0].verdict, CheckVerdict::Fail);
    EXPECT_EQ(report.Results()[0].rule, "texts");
    EXPECT_DOUBLE_EQ(report.Results()[0].seconds, 0.25);
    EXPECT_EQ(report.Results()[1].verdict, CheckVerdict::Skipped);
    EXPECT_TRUE(report.SaidDone());
    EXPECT_FALSE(report.Broken());
    EXPECT_EQ(report.Deadline(), now + ms(2000));
}

}  // namespace
