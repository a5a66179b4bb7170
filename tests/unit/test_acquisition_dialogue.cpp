#include "FakeDevice.h"
#include "OutputCapture.h"
#include "app/AcquisitionDialogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

const char* const kQuestion = "  Run acquisition test on device \"Fake\" Y/N?";
const char* const kTimeQuestion =
    "  \n  Make sure device \"Fake\" is ready. Enter the acquisition time in seconds (10):";

struct Dialogue {
    explicit Dialogue(std::deque<std::string> answers, uint32_t startTick = 1000)
        : device(new FakeDevice), fake(*device), system(std::move(answers), startTick)
    {
    }
    void Run() { RunAcquisitionTest(device, system); }
    int Polls() const { return static_cast<int>(std::count(fake.calls.begin(), fake.calls.end(), "GetLastData")); }

    boost::shared_ptr<FakeDevice> device;
    FakeDevice& fake;
    FakeSystem system;
};

}  // namespace

TEST(AcquisitionDialogue, RefusalIsCopiedToTheLogAndEndsWithoutDeviceOperations)
{
    for (const char* answer : {"n", "N", "yes", " no way "}) {
        OutputCapture capture;
        Dialogue dialogue({answer});
        dialogue.Run();
        std::string normalised(answer);
        normalised.erase(0, normalised.find_first_not_of(' '));
        normalised.erase(normalised.find_last_not_of(' ') + 1);
        const std::string closing = Crlf("\n\nEnd of testing device \"Fake\"\n\n");
        EXPECT_EQ(kQuestion + closing, capture.Console()) << answer;
        EXPECT_EQ(kQuestion + (" " + normalised) + closing, capture.Log()) << answer;
        EXPECT_TRUE(dialogue.fake.calls.empty()) << answer;
    }
}

TEST(AcquisitionDialogue, EveryFormOfYesIsLoggedAsYAndAnEmptyTimeAsTen)
{
    for (const char* yes : {"", "y", "Y", "  y\t", "y\r"}) {
        OutputCapture capture;
        Dialogue dialogue({yes, "\r"});
        dialogue.fake.readyOnPrepare = true;
        dialogue.Run();
        const std::string acquiring = Crlf("  \n  Acquiring data from \"Fake\" . . .\n  \n");
        const std::string log = capture.Log();
        EXPECT_EQ(0u, log.find(kQuestion + Crlf(" Y\n") + Crlf(kTimeQuestion) + Crlf(" 10\n") + acquiring))
            << yes << "\n" << log;
        EXPECT_EQ(0u, capture.Console().find(kQuestion + Crlf(kTimeQuestion) + Crlf("\n") + acquiring)) << yes;
        // Ten seconds of 100 ms steps: the last report lands past 10000 ms.
        EXPECT_EQ(101, dialogue.Polls()) << yes;
    }
}

TEST(AcquisitionDialogue, TimesThatReadAsZeroEndTheDialogueWithTheAnswerLogged)
{
    for (const char* time : {"0", "0.9", "-0", "ten", "-5"}) {
        OutputCapture capture;
        Dialogue dialogue({"y", time});
        dialogue.Run();
        EXPECT_EQ(kQuestion + Crlf(" Y\n") + Crlf(kTimeQuestion) + " " + time +
                      Crlf("\n\nEnd of testing device \"Fake\"\n\n"),
                  capture.Log())
            << time;
        EXPECT_TRUE(dialogue.fake.calls.empty()) << time;
    }
}

TEST(AcquisitionDialogue, TimeAnswersAreReadAsWholeSeconds)
{
    OutputCapture capture;
    Dialogue dialogue({"Y", "  3  "});
    dialogue.fake.readyOnPrepare = true;
    dialogue.Run();
    EXPECT_NE(std::string::npos, capture.Log().find(Crlf(kTimeQuestion) + Crlf(" 3\n")));
    EXPECT_EQ(31, dialogue.Polls());
    EXPECT_EQ("Stop", dialogue.fake.calls.back());
    const std::string console = capture.Console();
    EXPECT_EQ(Crlf("End of testing device \"Fake\"\n\n"),
              console.substr(console.size() - Crlf("End of testing device \"Fake\"\n\n").size()));

    Dialogue fraction({"Y", "2.5"});
    fraction.fake.readyOnPrepare = true;
    fraction.Run();
    EXPECT_EQ(21, fraction.Polls());
}

TEST(AcquisitionDialogue, ADeviceReadyAtOnceIsStartedWithoutAPumpStep)
{
    OutputCapture capture;
    Dialogue dialogue({"y", "1"});
    dialogue.fake.readyOnPrepare = true;
    int pumpsBeforeStart = -1;
    dialogue.system.onPump = [&](int step) {
        if (pumpsBeforeStart < 0)
            pumpsBeforeStart = step - 1;
    };
    dialogue.Run();
    EXPECT_EQ(0, pumpsBeforeStart);
    ASSERT_GE(dialogue.fake.calls.size(), 3u);
    EXPECT_EQ("Prepare", dialogue.fake.calls[0]);
    EXPECT_EQ("Start", dialogue.fake.calls[1]);
}

TEST(AcquisitionDialogue, ReadinessReportedDuringAPumpStepStartsTheAcquisition)
{
    OutputCapture capture;
    Dialogue dialogue({"y", "1"});
    dialogue.system.onPump = [&](int step) {
        if (step == 4)
            dialogue.fake.SetState(1);
    };
    dialogue.Run();
    EXPECT_EQ("Start", dialogue.fake.calls[1]);
    EXPECT_EQ(4 + 11, dialogue.system.pumpSteps);
}

TEST(AcquisitionDialogue, ANeverReadyDeviceFailsAtTheFirstTestPastTheTime)
{
    OutputCapture capture;
    Dialogue dialogue({"y", "1"});
    try {
        dialogue.Run();
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("ERROR: Tavro device Fake is not ready for data acquisition\n", error.what());
    }
    // Tests at 0, 100, ..., 1000 ms pass; the one at 1100 ms throws.
    EXPECT_EQ(11, dialogue.system.pumpSteps);
    EXPECT_EQ(std::vector<std::string>{"Prepare"}, dialogue.fake.calls);
}

TEST(AcquisitionDialogue, AWrapOfTheTickCountEndsNeitherTheWaitNorTheAcquisitionEarly)
{
    OutputCapture capture;
    Dialogue wrapped({"y", "1"}, 0xFFFFFE00u);
    wrapped.system.onPump = [&](int step) {
        if (step == 8)
            wrapped.fake.SetState(1);
    };
    wrapped.Run();
    EXPECT_EQ("Start", wrapped.fake.calls[1]);
    EXPECT_EQ(11, wrapped.Polls());
    EXPECT_LT(wrapped.system.tick, 0x1000u);
}

TEST(AcquisitionDialogue, ThereIsAlwaysOnePollEvenWhenItOutlastsTheTime)
{
    OutputCapture capture;
    Dialogue dialogue({"y", "1"});
    dialogue.fake.readyOnPrepare = true;
    dialogue.fake.onGetLastData = [&] { dialogue.system.tick += 5000; };
    dialogue.Run();
    EXPECT_EQ(1, dialogue.Polls());
    EXPECT_EQ("Stop", dialogue.fake.calls.back());
}

TEST(AcquisitionDialogue, ADeviceFailureLeavesTheDialogueAtOnce)
{
    OutputCapture capture;
    Dialogue dialogue({"y", "5"});
    dialogue.fake.readyOnPrepare = true;
    dialogue.fake.onGetLastData = [] { throw std::runtime_error("Error: lost"); };
    EXPECT_THROW(dialogue.Run(), std::runtime_error);
    EXPECT_EQ("GetLastData", dialogue.fake.calls.back());
    EXPECT_EQ(std::string::npos, capture.Console().find("End of testing device"));
}

TEST(AcquisitionDialogue, AnEmptyDevicePointerDoesNothing)
{
    OutputCapture capture;
    FakeSystem system({"y", "1"});
    RunAcquisitionTest(TavroDevicePtr(), system);
    EXPECT_EQ("", capture.Console());
    EXPECT_EQ(0, system.pumpSteps);
}
