#include "guard/ControlEvents.h"

#include "guard/LibraryHooks.h"
#include "guard/SharedRunState.h"

ControlDecision DecideControlEvent(DWORD event, bool testing, int32_t activity, bool callRunning, int32_t call)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return {ControlOutcome::kEndRunClosed, std::string()};
    const char* const name = callRunning ? LibraryCallName(call) : nullptr;
    if (!testing || activity == kActivityQuestion)
        return {ControlOutcome::kEndRunByOperator, std::string()};
    if (name)
        return {ControlOutcome::kEndTest, name};
    if (activity == kActivityAcquisition)
        return {ControlOutcome::kEndTest, "the acquisition"};
    // Nothing of the library's is awaited at this instant: as between two
    // libraries.
    return {ControlOutcome::kEndRunByOperator, std::string()};
}

std::string OperatorEndedTestLine(const std::string& library, const std::string& call)
{
    return "ERROR: the operator ended the test of Tavro device library " + library + " in " + call + "\n";
}

std::string OperatorEndedRunLine()
{
    return "ERROR: the run was ended by the operator\n";
}

std::string ConsoleClosedLine(const std::string& library)
{
    if (library.empty())
        return "ERROR: the run was ended by the system\n";
    return "ERROR: the console was closed while testing Tavro device library " + library + "\n";
}
