// What the checks need of the system, behind an interface so that the check
// logic runs against fakes in the unit tests. Win32CheckPlatform is the
// real one.
#pragma once

#include "device/LibraryModule.h"

#include <chrono>
#include <cstdint>
#include <set>
#include <string>

// What the process holds at one moment.
struct ResourceUse {
    uint64_t privateBytes = 0;  // memory committed for the process alone
    uint64_t handles = 0;       // kernel handles open
    uint64_t threads = 0;
};

class I_CheckPlatform {
public:
    virtual ~I_CheckPlatform() = default;

    // Loads the library (one at a time); false with the system's error text.
    virtual bool Load(const std::string& path, std::string& errorText) = 0;
    // The loaded library's export of that exact name, or null.
    virtual TavroProcAddress Export(const char* name) = 0;
    // Frees the loaded library; false if FreeLibrary failed.
    virtual bool Unload() = 0;
    // Is the library last unloaded still mapped into the process?
    virtual bool StillMapped() = 0;

    // The ids of the process's threads.
    virtual std::set<uint32_t> Threads() = 0;
    virtual uint32_t CurrentThreadId() = 0;
    // Dispatches the calling thread's messages for duration, as a host's
    // message loop does (timer procedures and window procedures run).
    virtual void Pump(std::chrono::milliseconds duration) = 0;
    // After an unload: for duration, takes the calling thread's messages
    // WITHOUT dispatching them (their procedures may be gone with the
    // library) and returns how many were WM_TIMER; each timer seen is killed.
    virtual int TimersAfterUnload(std::chrono::milliseconds duration) = 0;
    // How many windows the calling thread owns.
    virtual int ThreadWindowCount() = 0;
    // The process's private bytes, handle count and thread count now.
    virtual ResourceUse Resources() = 0;
};
