// The child's side of checking one library in a process of its own: it
// tells the parent, over the inherited pipe, each check as it starts and
// each result, and keeps its state (the call in progress, the buffer lent,
// the last fault) in the shared block, where the parent reads it after the
// child died. The parent judges; nothing here is needed for a verdict.
#pragma once

#include "check/child/ChildState.h"
#include "check/recording/CheckRecorder.h"
#include "guard/SharedSection.h"

#include <windows.h>

#include <set>
#include <string>

class CCheckingChild : public CCheckRecorder::I_Listener {
public:
    // channel: "PIPE:STATE:ENDED", the handle values the parent gave
    // (CChildChannel::HandleText) and the checks that ended earlier
    // children, separated by commas. Check Valid().
    explicit CCheckingChild(const std::string& channel);
    ~CCheckingChild() override;
    CCheckingChild(const CCheckingChild&) = delete;
    CCheckingChild& operator=(const CCheckingChild&) = delete;

    bool Valid() const { return m_state.Get() != nullptr; }
    const std::set<std::string>& EndedElsewhere() const { return m_ended; }

    void Started(const std::string& id) override;
    void Recorded(const CheckResult& result) override;
    // Every check is made.
    void Done();

private:
    bool Reported(const std::string& id) const;
    void Write(const std::string& line);

    HANDLE m_pipe;
    CSharedSection<ChildState> m_state;
    void* m_faultHandler;
    std::set<std::string> m_ended;
    std::string m_first;
};
