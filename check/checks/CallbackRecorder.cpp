#include "check/checks/CallbackRecorder.h"

#include "check/recording/CallTrace.h"

#include <algorithm>
#include <cstdio>

namespace {

int64_t MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

std::string ThreadIdText(uint32_t thread)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(thread));
    return text;
}

CCallbackRecorder::CCallbackRecorder(const CCheckRecorder& recorder, ThreadIdSource threadId,
                                     uint32_t checkerThread)
    : m_recorder(recorder), m_threadId(threadId), m_checkerThread(checkerThread)
{
    Reset();
}

void TAVRO_CALL CCallbackRecorder::OnState(void* context, int32_t state)
{
    if (context)
        static_cast<CCallbackRecorder*>(context)->Record(state);
}

void CCallbackRecorder::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_start = std::chrono::steady_clock::now();
    m_unregistered = false;
    m_reports = 0;
    m_lastState = 0;
    m_readyAfterMs = -1;
    m_sources.clear();
    m_seen.clear();
    m_late = 0;
    m_firstLate.clear();
}

void CCallbackRecorder::MarkUnregistered()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unregistered = true;
    m_unregisteredAt = std::chrono::steady_clock::now();
}

std::string CCallbackRecorder::Source(uint32_t thread) const
{
    if (thread != m_checkerThread)
        return "the library's thread " + ThreadIdText(thread);
    const char* call = m_recorder.CurrentCall();
    if (call)
        return std::string("the checker's thread inside ") + call;
    return "the checker's thread from a dispatched message";
}

void CCallbackRecorder::Record(int32_t state)
{
    if (CCallTrace* const trace = m_recorder.Trace())
        trace->Callback(this, state);
    const uint32_t thread = m_threadId();
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_reports;
    m_lastState = state;
    if (state == TAVRO_STATE_READY && m_readyAfterMs < 0)
        m_readyAfterMs = MillisecondsSince(m_start);
    // A storm of reports must stay cheap: a source is described only the
    // first time it is seen.
    const std::pair<uint32_t, const char*> key(thread, thread == m_checkerThread ? m_recorder.CurrentCall() : nullptr);
    if (std::find(m_seen.begin(), m_seen.end(), key) == m_seen.end()) {
        m_seen.push_back(key);
        m_sources.push_back(Source(thread));
    }
    if (m_unregistered && m_late++ == 0)
        m_firstLate = "state " + std::to_string(state) + " from " + Source(thread) + ", " +
                      std::to_string(MillisecondsSince(m_unregisteredAt)) + " ms after the unregister returned";
}

bool CCallbackRecorder::ReadySeen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_readyAfterMs >= 0;
}

int64_t CCallbackRecorder::Reports() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reports;
}

int32_t CCallbackRecorder::LastState() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastState;
}

int64_t CCallbackRecorder::ReadyAfterMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_readyAfterMs;
}

std::string CCallbackRecorder::Sources() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string text;
    for (const std::string& source : m_sources)
        text += (text.empty() ? "" : ", ") + source;
    return text;
}

int64_t CCallbackRecorder::LateReports() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_late;
}

std::string CCallbackRecorder::FirstLate() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_firstLate;
}
