#include "guard/ChildProcess.h"
#include "guard/ChildProcessSystem.h"
#include "guard/ControlEvents.h"
#include "guard/LibraryHooks.h"
#include "guard/SharedRunState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what a child process asks of the system, in order.
class CFakeChildSystem : public I_ChildProcessSystem {
public:
    bool canStartInJob = true;
    bool starts = true;
    bool ends = true;
    std::vector<std::string> calls;
    DWORD waitedMs = 0;

    HANDLE CreateGuardJob() override { return Note("job", kJob); }
    bool CreateSuspended(const std::string&, const std::string&, const std::vector<HANDLE>& inherited, DWORD flags,
                         HANDLE job, PROCESS_INFORMATION& process, bool& inJob, std::string& errorText) override
    {
        Note("create" + std::string(job ? " in job" : "") + (canStartInJob ? "" : " (no job attribute)") +
                 " inheriting " + std::to_string(inherited.size()) + " flags " + std::to_string(flags),
             nullptr);
        if (!starts) {
            errorText = "refused";
            return false;
        }
        process.hProcess = kProcess;
        process.hThread = kThread;
        inJob = job && canStartInJob;
        return true;
    }
    bool AssignToJob(HANDLE, HANDLE) override { return Note("assign to job", nullptr), true; }
    void Resume(HANDLE) override { Note("resume", nullptr); }
    void Terminate(HANDLE, DWORD code) override { Note("terminate " + std::to_string(code), nullptr); }
    bool WaitForEnd(HANDLE, DWORD milliseconds) override
    {
        waitedMs = milliseconds;
        return ends;
    }
    DWORD ExitCode(HANDLE) override { return 0; }
    void Close(HANDLE handle) override
    {
        Note(handle == kJob ? "close job" : handle == kThread ? "close thread" : "close process", nullptr);
    }
    void HoldControlEvents(bool hold) override { Note(hold ? "hold" : "release", nullptr); }
    void KeepFaultDialoguesAway() override { Note("no fault dialogues", nullptr); }

private:
    HANDLE Note(const std::string& call, HANDLE result)
    {
        calls.push_back(call);
        return result;
    }

    HANDLE const kJob = reinterpret_cast<HANDLE>(0x100);
    HANDLE const kProcess = reinterpret_cast<HANDLE>(0x200);
    HANDLE const kThread = reinterpret_cast<HANDLE>(0x300);
};

std::vector<HANDLE> Inherited()
{
    return {reinterpret_cast<HANDLE>(0x10), reinterpret_cast<HANDLE>(0x20)};
}

}  // namespace

TEST(ChildProcess, StartsInItsJobWithControlEventsHeldAndNeverRunsOutsideIt)
{
    CFakeChildSystem system;
    {
        CChildProcess child(system);
        std::string error;
        ASSERT_TRUE(child.Start("--x", Inherited(), error, CREATE_NEW_PROCESS_GROUP));
        EXPECT_EQ((std::vector<std::string>{"no fault dialogues", "job", "hold",
                                            "create in job inheriting 2 flags 512", "resume", "close thread",
                                            "release"}),
                  system.calls);
    }
    // Where the system cannot create it in the job, it is assigned while
    // still suspended, before it runs a single instruction of its own.
    CFakeChildSystem older;
    older.canStartInJob = false;
    CChildProcess child(older);
    std::string error;
    ASSERT_TRUE(child.Start("--x", Inherited(), error));
    EXPECT_EQ((std::vector<std::string>{"no fault dialogues", "job", "hold",
                                        "create in job (no job attribute) inheriting 2 flags 0", "assign to job",
                                        "resume", "close thread", "release"}),
              older.calls);
}

TEST(ChildProcess, AStartTheSystemRefusesReleasesTheHoldAndTheJob)
{
    CFakeChildSystem system;
    system.starts = false;
    CChildProcess child(system);
    std::string error;
    EXPECT_FALSE(child.Start("--x", Inherited(), error));
    EXPECT_EQ("refused", error);
    EXPECT_EQ("release", system.calls.at(system.calls.size() - 2));
    EXPECT_EQ("close job", system.calls.back());
}

TEST(ChildProcess, WaitsForAnEndedChildOnlyAsLongAsItIsTold)
{
    CFakeChildSystem system;
    system.ends = false;
    {
        CChildProcess child(system);
        std::string error;
        ASSERT_TRUE(child.Start("--x", Inherited(), error));
        EXPECT_FALSE(child.Terminate(7, 3000));
        EXPECT_EQ("terminate 7", system.calls.back());
        EXPECT_EQ(3000u, system.waitedMs);
        system.calls.clear();
    }
    // Going, a child still running is ended with a bounded wait too.
    EXPECT_EQ("terminate 1", system.calls.at(0));
    EXPECT_GT(system.waitedMs, 0u);
    EXPECT_LE(system.waitedMs, 10000u);
}

namespace {

DWORD g_werFlags = 0;

HRESULT WINAPI RecordWerFlags(DWORD flags)
{
    g_werFlags = flags;
    return S_OK;
}

}  // namespace

TEST(ChildProcess, FaultsReachNeitherADialogueNorAReportThatHoldsTheProcess)
{
    QuietFaultReporting(RecordWerFlags);
    EXPECT_EQ(kQuietWerFlags, g_werFlags);
    EXPECT_NE(0u, GetErrorMode() & SEM_NOGPFAULTERRORBOX);
}

TEST(ControlEvents, CtrlCEndsOnlyAStalledTestAndTheRunAtAQuestionOrBetweenLibraries)
{
    const auto decide = [](DWORD event, bool testing, int32_t activity, bool callRunning, int32_t call) {
        const ControlDecision decision = DecideControlEvent(event, testing, activity, callRunning, call);
        return std::to_string(static_cast<int>(decision.outcome)) + " " + decision.call;
    };
    const std::string endTest = std::to_string(static_cast<int>(ControlOutcome::kEndTest)) + " ";
    const std::string endRun = std::to_string(static_cast<int>(ControlOutcome::kEndRunByOperator)) + " ";
    const std::string closed = std::to_string(static_cast<int>(ControlOutcome::kEndRunClosed)) + " ";
    EXPECT_EQ(endTest + "Tavro_GetLastData", decide(CTRL_C_EVENT, true, kActivityAcquisition, true, TavroProc_GetLastData));
    EXPECT_EQ(endTest + "loading", decide(CTRL_BREAK_EVENT, true, kActivityNone, true, kCallLoading));
    EXPECT_EQ(endTest + "the acquisition", decide(CTRL_C_EVENT, true, kActivityAcquisition, false, 0));
    EXPECT_EQ(endRun, decide(CTRL_C_EVENT, true, kActivityQuestion, false, 0));
    EXPECT_EQ(endRun, decide(CTRL_C_EVENT, false, kActivityNone, false, 0));
    // What a library wrote over the record names no call.
    EXPECT_EQ(endTest + "the acquisition", decide(CTRL_C_EVENT, true, kActivityAcquisition, true, 0x41414141));
    EXPECT_EQ(endRun, decide(CTRL_C_EVENT, true, 0x41414141, true, 0x41414141));
    for (const DWORD event : {CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT})
        EXPECT_EQ(closed, decide(event, true, kActivityAcquisition, true, TavroProc_GetLastData)) << event;
    EXPECT_EQ("ERROR: the console was closed while testing Tavro device library C:\\a.dll\n", ConsoleClosedLine("C:\\a.dll"));
    EXPECT_EQ("ERROR: the run was ended by the system\n", ConsoleClosedLine(""));
}
