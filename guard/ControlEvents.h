// What a control event does to a run whose libraries are tested in a child:
// an operator's Ctrl+C or Ctrl+Break while the program waits for a library
// ends only that library's test; at a question, or between libraries, it
// ends the run; a closed console, a logoff or a shutdown ends the run,
// naming the library under test in the log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

enum class ControlOutcome { kEndTest, kEndRunByOperator, kEndRunClosed };

struct ControlDecision {
    ControlOutcome outcome;
    // For kEndTest: what the library was doing ("Tavro_GetLastData",
    // "loading", "the acquisition").
    std::string call;
};

// event: a CTRL_*_EVENT. testing: a library's test runs in the child.
// activity (ChildActivity) and call (LibraryCallKind, or anything else for
// none) are what the child recorded, and may be anything: a value out of
// range counts as none.
ControlDecision DecideControlEvent(DWORD event, bool testing, int32_t activity, bool callRunning, int32_t call);

// "ERROR: the operator ended the test of Tavro device library <library> in <call>\n"
std::string OperatorEndedTestLine(const std::string& library, const std::string& call);
// "ERROR: the run was ended by the operator\n"
std::string OperatorEndedRunLine();
// "ERROR: the console was closed while testing Tavro device library
// <library>\n", or "ERROR: the run was ended by the system\n" when no
// library is tested (library empty).
std::string ConsoleClosedLine(const std::string& library);

// What Windows gives a console program ended by Ctrl+C.
const DWORD kControlCExitCode = 0xC000013A;
