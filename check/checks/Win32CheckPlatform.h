// The system side of the checks on Windows: LoadLibrary/FreeLibrary through
// device/'s CLibraryModule, the process's threads from a toolhelp snapshot,
// the calling thread's messages and windows, the process's memory and
// handles.
#pragma once

#include "check/checks/CheckPlatform.h"

#include <memory>

class CWin32CheckPlatform : public I_CheckPlatform {
public:
    CWin32CheckPlatform();

    bool Load(const std::string& path, std::string& errorText) override;
    TavroProcAddress Export(const char* name) override;
    bool Unload() override;
    bool StillMapped() override;
    std::set<uint32_t> Threads() override;
    uint32_t CurrentThreadId() override;
    void Pump(std::chrono::milliseconds duration) override;
    int TimersAfterUnload(std::chrono::milliseconds duration) override;
    int ThreadWindowCount() override;
    ResourceUse Resources() override;

private:
    std::unique_ptr<CLibraryModule> m_module;
    const void* m_lastBase;
};
