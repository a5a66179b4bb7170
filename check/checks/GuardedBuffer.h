// A text buffer lent to a library, placed so that its last byte is the last
// one before a no-access page: a write past its size, of any length, faults
// at the first byte and changes nothing. While it exists, the checking
// child's state names its size and guard page, so that such a fault can be
// told from any other access violation.
#pragma once

#include <cstddef>
#include <cstdint>

class CGuardedBuffer {
public:
    // Throws std::bad_alloc when the pages cannot be had.
    explicit CGuardedBuffer(int32_t size);
    ~CGuardedBuffer();
    CGuardedBuffer(const CGuardedBuffer&) = delete;
    CGuardedBuffer& operator=(const CGuardedBuffer&) = delete;

    char* Data() const { return m_data; }
    // The first byte past the buffer: the start of the no-access page.
    const char* GuardPage() const { return m_data + m_size; }

private:
    void* m_base;
    char* m_data;
    int32_t m_size;
};
