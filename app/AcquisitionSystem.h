// What the acquisition dialogue needs from the system: the operator's answer
// lines, the millisecond tick count and one step of the message pump. The
// dialogue's logic runs against this seam, so tests can drive time and input.
#pragma once

#include <cstdint>
#include <string>

class I_AcquisitionSystem {
public:
    virtual ~I_AcquisitionSystem() = default;
    // One line of standard input without its line feed; an empty line at the
    // end of the input or after a failure.
    virtual std::string ReadLine() = 0;
    // The system's 32-bit millisecond tick count (wraps every 49.7 days).
    virtual uint32_t TickCount() = 0;
    // Dispatches one waiting window message, or sleeps 100 ms when none waits.
    virtual void PumpMessageOrSleep() = 0;
};

// The real system: standard input, GetTickCount and the thread's message pump.
class CWin32AcquisitionSystem : public I_AcquisitionSystem {
public:
    std::string ReadLine() override;
    uint32_t TickCount() override;
    void PumpMessageOrSleep() override;
};

// One step of the thread's message pump: handles at most one message (a quit
// message like any other) and sleeps 100 ms only when none was waiting.
void PumpMessageOrSleep();
