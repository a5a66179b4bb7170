// A block of memory shared with a child process: made by the parent, whose
// handle the child inherits, or mapped by the child from that handle. Both
// processes run the same program file, so T has the same layout on both
// sides. T must be a plain type whose all-zero bytes are a valid start
// (integers, atomics, arrays of them): a new section is zero-filled.
#pragma once

#include <windows.h>

#include <cstddef>

namespace shared_section {

// A new zero-filled section of size bytes, mapped; null on failure.
void* Create(std::size_t size, HANDLE& section);
// The view of an inherited section, when it holds at least size bytes;
// null otherwise.
void* Open(HANDLE section, std::size_t size);
void Close(void* view, HANDLE section);

}  // namespace shared_section

template <typename T>
class CSharedSection {
public:
    CSharedSection() = default;
    ~CSharedSection() { Close(); }
    CSharedSection(const CSharedSection&) = delete;
    CSharedSection& operator=(const CSharedSection&) = delete;

    // Makes a new section; false (the system's last error set) on failure.
    bool Create()
    {
        Close();
        m_view = static_cast<T*>(shared_section::Create(sizeof(T), m_section));
        return m_view != nullptr;
    }
    // Maps an inherited section and owns its handle from then on; false
    // unless it is one of at least sizeof(T) bytes.
    bool Open(HANDLE section)
    {
        Close();
        m_view = static_cast<T*>(shared_section::Open(section, sizeof(T)));
        m_section = m_view ? section : nullptr;
        return m_view != nullptr;
    }

    T* Get() const { return m_view; }
    HANDLE Handle() const { return m_section; }

private:
    void Close()
    {
        shared_section::Close(m_view, m_section);
        m_view = nullptr;
        m_section = nullptr;
    }

    HANDLE m_section = nullptr;
    T* m_view = nullptr;
};
