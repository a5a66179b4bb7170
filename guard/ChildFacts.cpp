#include "guard/ChildFacts.h"

namespace {

// No device library image comes near this size; a larger one is a scribble.
const std::uintptr_t kLargestImage = 0x40000000;

}  // namespace

CChildFacts::CChildFacts(const SharedRunState& state, uint32_t firstRequest,
                         const std::vector<std::string>& requestPaths)
    : m_firstRequest(firstRequest), m_paths(requestPaths)
{
    m_usable = Check(state);
}

bool CChildFacts::Check(const SharedRunState& state)
{
    if (state.magic != kSharedRunStateMagic || state.size != sizeof state)
        return false;
    m_taken = state.progress.taken.load();
    m_finished = state.progress.finished.load();
    // Requests are taken one at a time, each finished before the next.
    if (m_finished != 0 && !IsRequest(m_finished))
        return false;
    const uint32_t next = m_finished == 0 ? m_firstRequest : m_finished + 1;
    if (m_taken != 0 && m_taken != m_finished && !(m_taken == next && IsRequest(m_taken)))
        return false;
    if (m_taken == 0 && m_finished != 0)
        return false;

    const int32_t faultTaken = state.fault.taken.load();
    const int32_t exitSeen = state.exit.seen.load();
    if ((faultTaken != 0 && faultTaken != 1) || (exitSeen != 0 && exitSeen != 1))
        return false;
    m_faulted = faultTaken == 1;
    m_faultCode = state.fault.code.load();
    m_faultAddress = state.fault.address.load();
    m_faultStack = state.fault.stackAddress.load();
    m_faultThreadStart = state.fault.threadStart.load();
    m_exitSeen = exitSeen == 1;
    m_exitStack = state.exit.stackAddress.load();
    m_exitThreadStart = state.exit.threadStart.load();
    return CheckLibraries(state.libraries);
}

bool CChildFacts::CheckLibraries(const DeviceLibraryTable& table)
{
    const uint32_t added = table.added.load();
    const uint32_t kept = added < kSharedLibraries ? added : kSharedLibraries;
    for (uint32_t i = added - kept; i != added; ++i) {
        const LibraryEntry& entry = table.entries[i % kSharedLibraries];
        const Library library = {entry.base.load(), entry.size.load(), entry.state.load(), entry.request.load()};
        if (library.state == kEntryEmpty)
            continue;
        if ((library.state != kEntryLoaded && library.state != kEntryFreed) || !IsRequest(library.request) ||
            library.size == 0 || library.size > kLargestImage || library.base + library.size < library.base)
            return false;
        m_libraries.push_back(library);
    }
    return true;
}

bool CChildFacts::IsRequest(uint32_t request) const
{
    return request >= m_firstRequest && request - m_firstRequest < m_paths.size();
}

const char* CChildFacts::PathOf(uint32_t request) const
{
    return IsRequest(request) ? m_paths[request - m_firstRequest].c_str() : nullptr;
}

bool CChildFacts::IsUsable() const
{
    return m_usable;
}

bool CChildFacts::ReachedALibrary() const
{
    return !m_usable || m_taken != 0;
}

bool CChildFacts::Took(uint32_t request) const
{
    return !m_usable || m_taken == request || (m_finished != 0 && m_finished >= request);
}

const char* CChildFacts::TestedLibrary() const
{
    return m_usable && m_taken != 0 && m_taken != m_finished ? PathOf(m_taken) : nullptr;
}

bool CChildFacts::HasFault() const
{
    return m_usable && m_faulted;
}

uint32_t CChildFacts::FaultCode() const
{
    return m_faultCode;
}

uint32_t CChildFacts::LibraryAt(std::uintptr_t address) const
{
    uint32_t freed = 0;
    for (const Library& library : m_libraries) {
        if (address < library.base || address - library.base >= library.size)
            continue;
        if (library.state == kEntryLoaded)
            return library.request;
        freed = library.request;
    }
    return freed;
}

uint32_t CChildFacts::FirstLibraryAt(std::initializer_list<std::uintptr_t> addresses) const
{
    for (const std::uintptr_t address : addresses)
        if (const uint32_t request = address ? LibraryAt(address) : 0)
            return request;
    return 0;
}

const char* CChildFacts::FaultingLibrary() const
{
    if (!HasFault())
        return nullptr;
    const uint32_t culprit = FirstLibraryAt({m_faultAddress, m_faultStack, m_faultThreadStart});
    if (culprit == 0 || (m_taken != m_finished && culprit == m_taken))
        return nullptr;
    return PathOf(culprit);
}

const char* CChildFacts::EndingLibrary() const
{
    if (!m_usable)
        return nullptr;
    if (m_exitSeen)
        if (const uint32_t owner = FirstLibraryAt({m_exitStack, m_exitThreadStart}))
            return PathOf(owner);
    if (const char* const tested = TestedLibrary())
        return tested;
    return m_libraries.empty() ? nullptr : PathOf(m_libraries.back().request);
}
