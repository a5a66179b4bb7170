// The parent's side of what it shares with one checking child: a pipe the
// child writes its messages into, and the block of shared memory that holds
// the child's state (ChildState). Both outlive the child, so the parent
// reads all the child said and the state it was in after it died.
#pragma once

#include "check/child/ChildState.h"
#include "guard/SharedSection.h"

#include <windows.h>

#include <string>
#include <vector>

class CChildChannel {
public:
    // Check Valid(): false, with the system's error text, when the pipe or
    // the memory could not be had.
    CChildChannel();
    ~CChildChannel();
    CChildChannel(const CChildChannel&) = delete;
    CChildChannel& operator=(const CChildChannel&) = delete;

    bool Valid() const { return m_state.Get() != nullptr; }
    const std::string& ErrorText() const { return m_error; }

    // The handles the child inherits, and their values as text for its
    // command line ("PIPE:STATE"; CCheckingChild reads it).
    std::vector<HANDLE> ChildHandles() const;
    std::string HandleText() const;
    // Once the child has started: closes this process's copy of the pipe's
    // writing end, so that the pipe ends when the child does.
    void CloseChildEnd();

    // What the child has written since the last call, without waiting.
    std::string ReadAvailable();
    const ChildState& State() const { return *m_state.Get(); }

private:
    HANDLE m_read;
    HANDLE m_write;
    CSharedSection<ChildState> m_state;
    std::string m_error;
};
