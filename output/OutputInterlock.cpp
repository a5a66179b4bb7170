#include "output/OutputInterlock.h"

#include <windows.h>

namespace {

const uint32_t kFree = 0;
const uint32_t kHeld = 1;
const int kSpinsBeforeSleeping = 64;

}  // namespace

COutputInterlock::COutputInterlock(std::atomic<uint32_t>* word, uint32_t waitMilliseconds)
    : m_word(word), m_held(false)
{
    if (!m_word)
        return;
    const DWORD start = GetTickCount();
    for (int attempt = 0;; ++attempt) {
        uint32_t expected = kFree;
        if (m_word->compare_exchange_strong(expected, kHeld, std::memory_order_acquire)) {
            m_held = true;
            return;
        }
        if (GetTickCount() - start >= waitMilliseconds)
            return;
        Sleep(attempt < kSpinsBeforeSleeping ? 0 : 1);
    }
}

COutputInterlock::~COutputInterlock()
{
    if (m_held)
        m_word->store(kFree, std::memory_order_release);
}
