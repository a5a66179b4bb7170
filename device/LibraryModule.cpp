#include "device/LibraryModule.h"

#include "device/MissingImports.h"
#include "device/OtherArchitecture.h"
#include "output/ConsoleLog.h"
#include "guard/LibraryHooks.h"

#include <windows.h>

CLibraryModule::CLibraryModule() : m_handle(nullptr)
{
}

CLibraryModule::~CLibraryModule()
{
    if (m_handle) {
        {
            const CLibraryCall call(kCallUnloading);
            FreeLibrary(static_cast<HMODULE>(m_handle));
        }
        NoteLibraryFreed(m_handle);
    }
}

bool CLibraryModule::Load(const std::string& path, std::string& errorText)
{
    m_path = path;
    DWORD error = 0;
    {
        const CLibraryCall call(kCallLoading);
        // The library's own folder is searched for its dependencies first,
        // as vendors install them beside it; then the system folders and PATH.
        m_handle = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        // Read before any other system call can replace the last error.
        error = m_handle ? 0 : GetLastError();
    }
    if (m_handle) {
        NoteLibraryLoaded(m_handle);
        return true;
    }
    errorText = GetSystemErrorText(error);
    if (error == ERROR_BAD_EXE_FORMAT)
        errorText += OtherArchitectureText(path);
    if (error == ERROR_MOD_NOT_FOUND) {
        // Looking for the modules maps files and may meet the loader's lock.
        const CLibraryCall call(kCallLoading);
        errorText += MissingImportsText(path);
    }
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
    if (!handle || !FreeLibrary(static_cast<HMODULE>(handle)))
        return false;
    NoteLibraryFreed(handle);
    return true;
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
