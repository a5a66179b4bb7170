// What the search child shares with the parent that watches it: where the
// search is, which library is under test, the device libraries loaded, and
// the fault that ended the child. It lives in a memory section both
// processes map, so the parent can still read it after the child died; the
// child writes it with plain atomic stores, which need no lock, no heap and
// no loader call.
#pragma once

#include <atomic>
#include <cstdint>

const unsigned kSharedPathChars = 1024;
const unsigned kSharedLibraries = 256;

// Where the search stands, so that a new child resumes after the library
// whose test was cut short: the folder (its index in the search list),
// whether its first line is out, and the first entry of its enumeration
// not yet started. steps counts every move, so the parent can tell whether
// a child got anywhere.
struct SearchPosition {
    std::atomic<int32_t> folder;
    std::atomic<int32_t> folderStarted;
    std::atomic<int32_t> nextEntry;
    std::atomic<uint32_t> steps;
};

// One device library the child has loaded; its path is copied in when it is
// loaded, and the entry is marked when the library is freed.
enum LibraryEntryState : int32_t { kEntryEmpty = 0, kEntryLoaded = 1, kEntryFreed = 2 };

struct LibraryEntry {
    std::atomic<std::uintptr_t> base;
    std::atomic<std::uintptr_t> size;
    std::atomic<int32_t> state;
    char path[kSharedPathChars];
};

struct DeviceLibraryTable {
    std::atomic<uint32_t> added;  // entries ever added; the newest 256 are kept
    LibraryEntry entries[kSharedLibraries];
};

// The fault or abort that the child's crash filter took, before the child
// ended itself with the fault's code.
struct FaultRecord {
    std::atomic<int32_t> taken;
    std::atomic<uint32_t> code;
    std::atomic<std::uintptr_t> address;
    // The start address of the faulting thread: whose thread it was.
    std::atomic<std::uintptr_t> threadStart;
};

// The thread that ended the process through ExitProcess (or exit): its
// fiber-local storage callback runs as the process ends, where a thread that
// merely ends also passes the program's thread-detach callback.
struct ExitRecord {
    std::atomic<int32_t> seen;
    std::atomic<uint32_t> threadId;
    std::atomic<std::uintptr_t> threadStart;
    std::atomic<uint32_t> endingThreadId;  // the last thread seen ending by itself
};

struct SharedRunState {
    uint32_t magic;
    SearchPosition position;
    // The library under test, while one is.
    std::atomic<int32_t> testing;
    std::atomic<std::uintptr_t> moduleUnderTest;
    char libraryUnderTest[kSharedPathChars];
    // Set by a child that ended its search normally, with the outcome.
    std::atomic<int32_t> finished;
    std::atomic<int32_t> searched;
    FaultRecord fault;
    ExitRecord exit;
    DeviceLibraryTable libraries;
};

const uint32_t kSharedRunStateMagic = 0x54415652;  // "TAVR"

// Copies text into a fixed buffer, cut to fit, always NUL-terminated;
// allocates nothing.
void CopyText(char* buffer, unsigned size, const char* text);
