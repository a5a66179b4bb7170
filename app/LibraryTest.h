// The test of one device library found by the folder search.
#pragma once

// Loads the library at libraryPath, describes its device and runs the
// operator's acquisition test. Prints every failure itself; never throws.
void TestDeviceLibrary(const char* libraryPath);
