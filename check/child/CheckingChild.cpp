#include "check/child/CheckingChild.h"

#include "check/checks/CheckCatalogue.h"
#include "check/child/ChildReport.h"
#include "check/recording/WholeWrite.h"
#include "guard/ProcessEnd.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

HANDLE HandleFromText(const std::string& text)
{
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(text.c_str(), nullptr, 10)));
}

// Notes every exception of error severity in the shared state before any
// handler sees it; the parent reads the last one if the process dies of it.
LONG CALLBACK NoteFault(EXCEPTION_POINTERS* exception)
{
    ChildState* const state = PublishedChildState();
    const EXCEPTION_RECORD* const record = exception ? exception->ExceptionRecord : nullptr;
    if (!state || !record || !IsExceptionCode(record->ExceptionCode))
        return EXCEPTION_CONTINUE_SEARCH;
    state->faultCode = record->ExceptionCode;
    state->faultThread = GetCurrentThreadId();
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2) {
        state->faultAccess = static_cast<uint32_t>(record->ExceptionInformation[0]);
        state->faultAddress = static_cast<uint64_t>(record->ExceptionInformation[1]);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// An exception no one handles ends the process at once with its code, for
// the parent to read (no debugger, no dialogue).
LONG WINAPI EndWithTheCode(EXCEPTION_POINTERS* exception)
{
    const DWORD code = exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 1;
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

CCheckingChild::CCheckingChild(const std::string& channel)
    : m_pipe(nullptr), m_faultHandler(nullptr)
{
    const std::vector<std::string> parts = Split(channel, ':');
    if (parts.size() != 3)
        return;
    m_pipe = HandleFromText(parts[0]);
    const HANDLE section = HandleFromText(parts[1]);
    for (const std::string& id : Split(parts[2], ','))
        if (!id.empty())
            m_ended.insert(id);
    m_first = FirstCheckAfter(m_ended);
    if (!m_state.Open(section))
        return;
    m_state.Get()->checkingThread = GetCurrentThreadId();
    PublishChildState(m_state.Get());
    m_faultHandler = AddVectoredExceptionHandler(1, NoteFault);
    SetUnhandledExceptionFilter(EndWithTheCode);
}

CCheckingChild::~CCheckingChild()
{
    if (m_faultHandler)
        RemoveVectoredExceptionHandler(m_faultHandler);
    PublishChildState(nullptr);
    if (m_pipe)
        CloseHandle(m_pipe);
}

bool CCheckingChild::Reported(const std::string& id) const
{
    return !m_first.empty() && CataloguePosition(id) >= CataloguePosition(m_first);
}

void CCheckingChild::Started(const std::string& id)
{
    // Checks repeated to reach the first one reported are announced too, so
    // that a death while repeating them is told as such.
    Write(CChildReport::StartLine(id));
}

void CCheckingChild::Recorded(const CheckResult& result)
{
    if (Reported(result.id))
        Write(CChildReport::ResultLine(result));
}

void CCheckingChild::Done()
{
    Write(CChildReport::DoneLine());
}

void CCheckingChild::Write(const std::string& line)
{
    WriteWhole(m_pipe, line);
}
