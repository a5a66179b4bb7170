// What the child that tests device libraries shares with the parent that
// watches it, in a memory section both processes map. The parent writes the
// request: the library to test next. The child writes only facts, with plain
// atomic stores that need no lock, no heap and no loader call: how far it got
// with the requests, the call into the library it is in, the libraries it
// has loaded and the fault or end that ended it. The section outlives the
// child, so the parent reads the facts after the child died. A library can
// write anywhere in the child, so the parent takes them as untrusted input
// (ChildFacts.h): it reads no text of the child's, and checks every number.
#pragma once

#include <atomic>
#include <cstdint>

const unsigned kSharedPathChars = 1024;
const unsigned kSharedLibraries = 256;

// The library the parent asks the child to test; written by the parent only
// while the child waits for a request. Numbers count from 1 over the run.
struct TestRequest {
    std::atomic<uint32_t> number;
    char path[kSharedPathChars];
};

// How far the child got: the number of the request it took (before any call
// into the library) and of the one it finished.
struct ChildProgress {
    std::atomic<uint32_t> taken;
    std::atomic<uint32_t> finished;
};

// The call into the library under test while one runs.
struct LibraryCallRecord {
    // Odd while a call runs; every begin and every end adds one.
    std::atomic<uint32_t> sequence;
    std::atomic<int32_t> call;  // LibraryCallKind
    std::atomic<uint32_t> startTick;
};

// What the child waits for outside a call into the library: the operator's
// answer to a question, or the library during an acquisition (from its
// prepare to its stop).
enum ChildActivity : int32_t { kActivityNone = 0, kActivityQuestion = 1, kActivityAcquisition = 2 };

// One device library the child has loaded, marked when it is freed.
enum LibraryEntryState : int32_t { kEntryEmpty = 0, kEntryLoaded = 1, kEntryFreed = 2 };

struct LibraryEntry {
    std::atomic<std::uintptr_t> base;
    std::atomic<std::uintptr_t> size;
    std::atomic<int32_t> state;
    // The request it was loaded for: the parent names it by its own path.
    std::atomic<uint32_t> request;
};

struct DeviceLibraryTable {
    std::atomic<uint32_t> added;  // entries ever added; the newest 256 are kept
    LibraryEntry entries[kSharedLibraries];
};

// The fault or abort that the child's crash capture took, before the child
// ended itself with the fault's code.
struct FaultRecord {
    std::atomic<int32_t> taken;
    std::atomic<uint32_t> code;
    std::atomic<std::uintptr_t> address;
    // The start address of the faulting thread: whose thread it was.
    std::atomic<std::uintptr_t> threadStart;
    // The return address nearest the fault into a device library on the
    // faulting thread's stack: whose code called what faulted.
    std::atomic<std::uintptr_t> stackAddress;
};

// The thread that ended the process through ExitProcess (or exit): its
// fiber-local storage callback runs as the process ends, where a thread that
// merely ends also passes the program's thread-detach callback.
struct ExitRecord {
    std::atomic<int32_t> seen;
    std::atomic<uint32_t> threadId;
    std::atomic<std::uintptr_t> threadStart;
    std::atomic<std::uintptr_t> stackAddress;
    std::atomic<uint32_t> endingThreadId;  // the last thread seen ending by itself
};

struct SharedRunState {
    uint32_t magic;
    uint32_t size;
    TestRequest request;
    ChildProgress progress;
    LibraryCallRecord call;
    std::atomic<int32_t> activity;  // ChildActivity
    // Held around every print of either process, so that the parent's
    // warnings never cut into the child's output; neither waits for long.
    std::atomic<uint32_t> outputInterlock;
    FaultRecord fault;
    ExitRecord exit;
    DeviceLibraryTable libraries;
};

const uint32_t kSharedRunStateMagic = 0x54415652;  // "TAVR"

// Makes the facts of the state ready for a new child: everything but the
// request is forgotten, and the magic and size are written afresh.
void ResetForNewChild(SharedRunState& state);

// Copies text into a fixed buffer, cut to fit, always NUL-terminated;
// allocates nothing.
void CopyText(char* buffer, unsigned size, const char* text);
