#include "check/checks/Win32CheckPlatform.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

namespace {

typedef std::chrono::steady_clock Clock;

// A handle closed when it goes.
class CHandle {
public:
    explicit CHandle(HANDLE handle) : m_handle(handle) {}
    ~CHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr)
            CloseHandle(m_handle);
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

DWORD RemainingMs(Clock::time_point end)
{
    const Clock::time_point now = Clock::now();
    return now >= end ? 0 : static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count());
}

// The path made absolute, with backslashes: LoadLibraryEx searches the
// library's own folder for its dependencies only when given such a path.
std::string FullPath(const std::string& path)
{
    char full[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

// One entry of the system's handle table (SystemExtendedHandleInformation).
struct SystemHandleEntry {
    void* object;
    ULONG_PTR process;
    ULONG_PTR handle;
    ULONG access;
    USHORT creatorBackTrace;
    USHORT objectType;
    ULONG attributes;
    ULONG reserved;
};

struct SystemHandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    SystemHandleEntry entries[1];
};

// The process's handles counted in the system's handle table: for Wine,
// whose GetProcessHandleCount gives 0. 0 when the table cannot be read.
uint64_t HandlesInSystemTable()
{
    typedef LONG(NTAPI * QueryProc)(ULONG, PVOID, ULONG, PULONG);
    const ULONG kExtendedHandleInformation = 64;
    const QueryProc query = reinterpret_cast<QueryProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return 0;
    std::vector<unsigned char> buffer(1 << 20);
    ULONG needed = 0;
    LONG status = 0;
    while ((status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
               static_cast<LONG>(0xC0000004L) &&
           buffer.size() < (64u << 20))
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return 0;
    const SystemHandleTable* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
    const size_t room = (buffer.size() - offsetof(SystemHandleTable, entries)) / sizeof(SystemHandleEntry);
    const ULONG_PTR process = GetCurrentProcessId();
    uint64_t count = 0;
    for (size_t i = 0; i < table->count && i < room; ++i)
        if (table->entries[i].process == process)
            ++count;
    return count;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

}  // namespace

CWin32CheckPlatform::CWin32CheckPlatform() : m_lastBase(nullptr)
{
}

bool CWin32CheckPlatform::Load(const std::string& path, std::string& errorText)
{
    m_module.reset(new CLibraryModule);
    if (m_module->Load(FullPath(path), errorText))
        return true;
    m_module.reset();
    return false;
}

TavroProcAddress CWin32CheckPlatform::Export(const char* name)
{
    return m_module ? m_module->Export(name) : nullptr;
}

bool CWin32CheckPlatform::Unload()
{
    if (!m_module)
        return false;
    m_lastBase = m_module->Handle();
    const bool freed = m_module->Unload();
    m_module.reset();
    return freed;
}

bool CWin32CheckPlatform::StillMapped()
{
    HMODULE module = nullptr;
    return m_lastBase &&
           GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(m_lastBase), &module) &&
           module != nullptr;
}

std::set<uint32_t> CWin32CheckPlatform::Threads()
{
    std::set<uint32_t> threads;
    const CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.Get() == INVALID_HANDLE_VALUE)
        return threads;
    const DWORD process = GetCurrentProcessId();
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry))
        if (entry.th32OwnerProcessID == process)
            threads.insert(entry.th32ThreadID);
    return threads;
}

uint32_t CWin32CheckPlatform::CurrentThreadId()
{
    return GetCurrentThreadId();
}

void CWin32CheckPlatform::Pump(std::chrono::milliseconds duration)
{
    const Clock::time_point end = Clock::now() + duration;
    do {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, RemainingMs(end), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    } while (Clock::now() < end);
}

int CWin32CheckPlatform::TimersAfterUnload(std::chrono::milliseconds duration)
{
    // Nothing is dispatched: a timer or window procedure of the freed
    // library would run code that is no longer mapped. Every message is
    // taken off the queue, and each timer seen is killed.
    int timers = 0;
    const Clock::time_point end = Clock::now() + duration;
    do {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, RemainingMs(end), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_TIMER) {
                ++timers;
                KillTimer(message.hwnd, message.wParam);
            }
        }
    } while (Clock::now() < end);
    return timers;
}

int CWin32CheckPlatform::ThreadWindowCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

ResourceUse CWin32CheckPlatform::Resources()
{
    ResourceUse use;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    // PagefileUsage is the commit charge, the same as PrivateUsage on
    // Windows; Wine fills in only the first.
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        use.privateBytes = memory.PrivateUsage > memory.PagefileUsage ? memory.PrivateUsage : memory.PagefileUsage;
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0)
        use.handles = handles;
    else
        use.handles = HandlesInSystemTable();
    use.threads = Threads().size();
    return use;
}
