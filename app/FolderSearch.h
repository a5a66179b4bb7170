// Finds the device libraries: the search folders, and the "*.dll" files of
// one folder, each handed to the library test.
#pragma once

#include "app/ProcessElevation.h"
#include "guard/LibraryTester.h"

#include <string>
#include <vector>

// Clears folders and fills it with "<Program Files>\Morvane\Tavro\" and
// "<common application data>\Morvane\Tavro\", each only if obtainable.
void CollectSearchFolders(std::vector<std::string>& folders);

// Searches folder (ending in a backslash) and has tester test every library
// in it, in this process (the one-argument form) or wherever tester runs its
// tests. False when the directory enumeration failed, or when the tester
// cannot go on. When isElevated says the process runs with administrator
// rights, a library that others than administrators can change, or whose
// folder they can write into, gets a warning line before its "Loading" line.
bool SearchFolder(const char* folder);
bool SearchFolder(const char* folder, I_LibraryTester& tester, ElevationCheck isElevated = IsProcessElevated);

// True when the file name's extension is DLL in any letter case.
bool HasDllExtension(const char* fileName);
