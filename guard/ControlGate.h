// A gate that console control events (Ctrl+C, a closed console) wait at
// before they act on this process. The thread that starts a child, or
// changes what a control handler looks at, holds it meanwhile: a child is
// never left started outside its job, and a handler never sees a run half
// changed.
#pragma once

// Holds the gate for the lifetime of the object; a thread may hold it more
// than once.
class CControlGateHold {
public:
    CControlGateHold();
    ~CControlGateHold();
    CControlGateHold(const CControlGateHold&) = delete;
    CControlGateHold& operator=(const CControlGateHold&) = delete;
};

// Makes every control event wait at the gate before any handler of this
// process (or the system's default, which ends it) acts on it. Once.
void StopControlEventsAtGate();
