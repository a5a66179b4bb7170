// The parent's view of what an ended child left in the shared state. The
// child is where the device libraries live, and a library can write anywhere
// in it, so nothing is taken on trust: every number is copied once and
// checked against what the parent itself knows (the requests it sent), and
// a library is named only by the parent's own copy of its path.
#pragma once

#include "guard/SharedRunState.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class CChildFacts {
public:
    // requestPaths holds the paths of the requests sent to this child, the
    // first of them numbered firstRequest.
    CChildFacts(const SharedRunState& state, uint32_t firstRequest, const std::vector<std::string>& requestPaths);

    // False when the state makes no sense: the rest then says nothing.
    bool IsUsable() const;
    // Whether the child got as far as a library: it took a request of its
    // own, or its state was written over, which only a library does.
    bool ReachedALibrary() const;
    // Whether the child took request (or left no usable state to tell).
    bool Took(uint32_t request) const;
    // The library whose test the child had begun and not finished, or null.
    const char* TestedLibrary() const;

    bool HasFault() const;
    uint32_t FaultCode() const;
    // The library to blame for the fault when it is not the one under test:
    // the one whose code faulted, else the one nearest the fault on the
    // faulting thread's stack, else the one that started that thread; null
    // when none is a device library, or when it is the library under test.
    const char* FaultingLibrary() const;
    // The library that ended the process (ExitProcess, exit): the one whose
    // code on the exiting thread's stack called it, else the one that started
    // that thread, else the library under test, else the one loaded last;
    // null when the child loaded none.
    const char* EndingLibrary() const;

private:
    struct Library {
        std::uintptr_t base;
        std::uintptr_t size;
        int32_t state;
        uint32_t request;
    };

    bool Check(const SharedRunState& state);
    bool CheckLibraries(const DeviceLibraryTable& table);
    bool IsRequest(uint32_t request) const;
    const char* PathOf(uint32_t request) const;
    // The request of the library whose image holds address (a loaded one
    // before a freed one that once lay there), or 0.
    uint32_t LibraryAt(std::uintptr_t address) const;
    uint32_t FirstLibraryAt(std::initializer_list<std::uintptr_t> addresses) const;

    const uint32_t m_firstRequest;
    const std::vector<std::string> m_paths;
    bool m_usable = false;
    uint32_t m_taken = 0;
    uint32_t m_finished = 0;
    bool m_faulted = false;
    uint32_t m_faultCode = 0;
    std::uintptr_t m_faultAddress = 0;
    std::uintptr_t m_faultStack = 0;
    std::uintptr_t m_faultThreadStart = 0;
    bool m_exitSeen = false;
    std::uintptr_t m_exitStack = 0;
    std::uintptr_t m_exitThreadStart = 0;
    std::vector<Library> m_libraries;  // oldest first
};
