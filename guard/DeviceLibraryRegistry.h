// The device libraries a process that tests them has loaded: the address
// range of each image and the request it was loaded for, marked when the
// library is freed. A report can then tell whose code an address is in, and
// name a library that is gone, without a loader call (the faulting thread
// may hold the loader's lock) and without the heap. In a child that tests
// libraries the table lives in the memory it shares with its parent.
#pragma once

#include "guard/SharedRunState.h"

#include <cstdint>

// Where the notes go from now on (the process's own table until then).
void UseDeviceLibraryTable(DeviceLibraryTable* table);

// Notes a loaded device library: its module handle (the image's base) and
// the request it is loaded for. The newest 256 are remembered.
void AddDeviceLibrary(void* module, uint32_t request);
// Marks the library at module freed (its entry stays, to name what is left
// of it, a thread say).
void MarkDeviceLibraryFreed(void* module);

// Whether a library of the process's table, loaded or freed (a library may
// keep itself mapped), holds address: for the crash capture, which reads no
// memory outside a library's image (and checks that it is still there).
bool IsInDeviceLibrary(std::uintptr_t address);
