// The device libraries the program has loaded: the address range of each
// image and a copy of its path, marked when the library is freed. A report
// can then tell whose code an address is in, and name a library that is
// gone, without a loader call (the faulting thread may hold the loader's
// lock) and without the heap. In a search child the table lives in the
// memory it shares with its parent.
#pragma once

#include "guard/SharedRunState.h"

#include <cstdint>

// Where the notes go from now on (the process's own table until then).
void UseDeviceLibraryTable(DeviceLibraryTable* table);

// Notes a loaded device library: its module handle (the image's base) and
// path. The newest 256 are remembered.
void AddDeviceLibrary(void* module, const char* path);
// Marks the library at module freed (its entry stays, to name what is left
// of it, a thread say).
void MarkDeviceLibraryFreed(void* module);

// The entry whose image holds address, or null; a loaded library before a
// freed one that once lay at the same place.
const LibraryEntry* FindDeviceLibrary(const DeviceLibraryTable& table, std::uintptr_t address);
// The library noted last, or null.
const LibraryEntry* LastDeviceLibrary(const DeviceLibraryTable& table);
