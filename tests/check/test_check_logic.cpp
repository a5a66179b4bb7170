// The checks against a fake library: each misbehaviour fails exactly its
// check; the recorder skips what depends on a failed check and charges an
// exception to the running check and its call.
#include "FakeLibrary.h"

#include "check/CheckCatalogue.h"
#include "check/CheckRecorder.h"
#include "check/LibraryChecker.h"

#include <gtest/gtest.h>

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

TEST(CheckLogic, EachMisbehaviourFailsItsCheck)
{
    struct Case {
        const char* what;
        FakeBehaviour behaviour;
        std::set<std::string> failed;
    };
    std::vector<Case> cases(8);
    cases[0].what = "well behaved";
    cases[1] = {"overrun", {}, {"texts.buffer_guard"}};
    cases[1].behaviour.overrun = 1;
    cases[2] = {"never ready", {}, {"readiness.callback"}};
    cases[2].behaviour.neverReady = true;
    cases[3] = {"backwards", {}, {"data.times_monotonic"}};
    cases[3].behaviour.timeBackwards = true;
    cases[4] = {"null string", {}, {"data.strings"}};
    cases[4].behaviour.nullString = true;
    cases[5] = {"count stuck", {}, {"data.count_vs_getdata"}};
    cases[5].behaviour.countStuck = true;
    cases[6] = {"late callback", {}, {"unregister.no_callback_after"}};
    cases[6].behaviour.lateCallback = true;
    cases[7] = {"type 8", {}, {"description.types"}};
    cases[7].behaviour.type = 8;
    for (const Case& c : cases) {
        const LibraryResults results = CheckFake(c.behaviour);
        EXPECT_EQ(With(results, CheckVerdict::Fail), c.failed) << c.what;
        EXPECT_EQ(results.checks.size(), CheckCatalogue().size()) << c.what;
    }
}

TEST(CheckLogic, ReadinessNamesTheThreadAndTheCall)
{
    const LibraryResults results = CheckFake(FakeBehaviour());
    EXPECT_NE(Find(results, "readiness.callback").message.find("the checker's thread inside Tavro_PrepareExperiment"),
              std::string::npos);
    EXPECT_NE(Find(results, "data.count_vs_getdata").message.find("returns a record"), std::string::npos);
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
    EXPECT_EQ(With(results, CheckVerdict::Skipped), (std::set<std::string>{"data.times_monotonic", "data.strings"}));
}

TEST(CheckRecorder, AFailedRunEndsTheLibraryWithTheRestNotRun)
{
    CCheckRecorder recorder;
    recorder.BeginLibrary("a.dll");
    recorder.Run("exports.required", ms(0), [] { return CheckOutcome{CheckVerdict::Pass, "ok"}; });
    EXPECT_EQ(recorder.Overdue(CCheckRecorder::Clock::now()), "");
    recorder.Run("load.library", ms(0), [&] {
        EXPECT_EQ(recorder.Overdue(CCheckRecorder::Clock::now() + ms(1)), "load.library");
        EXPECT_TRUE(recorder.FailRunning("hung"));
        return CheckOutcome{CheckVerdict::Pass, "never recorded"};
    });
    const LibraryResults results = recorder.Results().at(0);
    EXPECT_EQ(Find(results, "load.library").verdict, CheckVerdict::Fail);
    EXPECT_EQ(Find(results, "load.library").message, "hung");
    EXPECT_EQ(Find(results, "unload.twice").message, "not run: the run ended before it");
    EXPECT_FALSE(results.Passed());
}

}  // namespace
