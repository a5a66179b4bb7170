// A device library made of plain functions in the test program, with
// switches for its misbehaviours, and a platform that "loads" it: for
// running CLibraryChecker without Windows libraries.
#pragma once

#include "check/checks/CheckPlatform.h"

#include <cstdint>

struct FakeBehaviour {
    int overrun = 0;           // bytes written past every text buffer
    bool neverReady = false;
    bool timeBackwards = false;
    bool nullString = false;
    bool countStuck = false;   // Tavro_GetData does not lower the count
    bool lateCallback = false; // calls the old callback after unregistering
    int32_t type = 6;          // data type of component 0
    bool throwInStart = false;
    bool readyOnce = false;    // only the first prepare reports state 1
    int leakPerPoll = 0;       // handles more with each Tavro_GetLastData
    int slowPollMs = 0;        // each Tavro_GetLastData takes this long
};

// Resets the fake library to behave as told.
void ResetFakeLibrary(const FakeBehaviour& behaviour);

class CFakePlatform : public I_CheckPlatform {
public:
    bool Load(const std::string& path, std::string& errorText) override;
    TavroProcAddress Export(const char* name) override;
    bool Unload() override { return true; }
    bool StillMapped() override { return false; }
    std::set<uint32_t> Threads() override { return {1}; }
    uint32_t CurrentThreadId() override { return 1; }
    void Pump(std::chrono::milliseconds duration) override;
    int TimersAfterUnload(std::chrono::milliseconds) override { return 0; }
    int ThreadWindowCount() override { return 0; }
    ResourceUse Resources() override;
};
