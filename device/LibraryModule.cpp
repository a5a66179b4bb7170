#include "device/LibraryModule.h"

#include "output/ConsoleLog.h"

#include <windows.h>

CLibraryModule::CLibraryModule() : m_handle(nullptr)
{
}

CLibraryModule::~CLibraryModule()
{
    if (m_handle)
        FreeLibrary(static_cast<HMODULE>(m_handle));
}

bool CLibraryModule::Load(const std::string& path, std::string& errorText)
{
    m_handle = LoadLibraryA(path.c_str());
    if (m_handle)
        return true;
    // Read before any other system call can replace the last error.
    errorText = GetLastErrorText();
    return false;
}

bool CLibraryModule::IsLoaded() const
{
    return m_handle != nullptr;
}

bool CLibraryModule::Unload()
{
    void* const handle = m_handle;
    m_handle = nullptr;
    return handle && FreeLibrary(static_cast<HMODULE>(handle));
}

const void* CLibraryModule::Handle() const
{
    return m_handle;
}

TavroProcAddress CLibraryModule::Export(const char* name) const
{
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(m_handle), name);
    return reinterpret_cast<TavroProcAddress>(address);
}
