// The right to print, shared by two processes that write to the same console
// and log (the program and the child that tests device libraries), so that
// the text of one never cuts into the text of the other. It is one word of
// memory both map. Neither process waits for it for long: the other may have
// died holding it, or a library may have written over it.
#pragma once

#include <atomic>
#include <cstdint>

class COutputInterlock {
public:
    // Holds word (when not null) for the lifetime of the object, once it is
    // free or after waitMilliseconds at the most.
    COutputInterlock(std::atomic<uint32_t>* word, uint32_t waitMilliseconds);
    ~COutputInterlock();
    COutputInterlock(const COutputInterlock&) = delete;
    COutputInterlock& operator=(const COutputInterlock&) = delete;

private:
    std::atomic<uint32_t>* m_word;
    bool m_held;
};
