// What the device binding tells the guard: which call into a device library
// runs (for the hang watch), and which libraries are loaded and freed (for
// naming the library whose code or thread ended the run).
#pragma once

// Marks one call into a device library for its lifetime; library and call
// must outlive it (a device's path, a literal such as "Tavro_GetLastData").
class CLibraryCall {
public:
    CLibraryCall(const char* library, const char* call);
    ~CLibraryCall();
    CLibraryCall(const CLibraryCall&) = delete;
    CLibraryCall& operator=(const CLibraryCall&) = delete;
};

// A device library was loaded at module from path.
void NoteLibraryLoaded(void* module, const char* path);
// The device library at module was freed.
void NoteLibraryFreed(void* module);
