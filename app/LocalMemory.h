// Ownership of memory the system hands out for LocalFree: security
// descriptors from GetNamedSecurityInfo or from an SDDL string, say.
#pragma once

#include <windows.h>

#include <memory>

struct LocalMemoryFree {
    void operator()(void* memory) const { LocalFree(memory); }
};
typedef std::unique_ptr<void, LocalMemoryFree> LocalMemory;
