// The device libraries the program has loaded, by the address range of their
// images, so that a report can tell whose code an address is in. Reading
// needs no lock and no loader call: a report may run while the faulting
// thread holds the loader's lock.
#pragma once

// Notes a loaded device library by its module handle (its image's base).
// The most recent 256 are remembered.
void AddDeviceLibrary(void* module);

// The noted device library whose image holds address, or null.
void* FindDeviceLibrary(const void* address);

// The module of the library under test, once it is loaded; null otherwise.
void SetModuleUnderTest(void* module);
void* ModuleUnderTest();
