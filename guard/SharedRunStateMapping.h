// The memory section holding a SharedRunState: made by the parent (with an
// inheritable handle for the child) or opened by the child from that handle.
#pragma once

#include "guard/SharedRunState.h"

#include <windows.h>

class CSharedRunStateMapping {
public:
    CSharedRunStateMapping();
    ~CSharedRunStateMapping();
    CSharedRunStateMapping(const CSharedRunStateMapping&) = delete;
    CSharedRunStateMapping& operator=(const CSharedRunStateMapping&) = delete;

    // Makes a new, zeroed state; false when the system refuses.
    bool Create();
    // Maps the state of an inherited handle; false unless it holds one.
    bool Open(HANDLE section);

    SharedRunState* State() const;
    HANDLE Section() const;

private:
    void Close();

    HANDLE m_section;
    SharedRunState* m_state;
};
