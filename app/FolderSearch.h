// Finds the device libraries: the search folders, and the "*.dll" files of
// one folder, each handed to the library test.
#pragma once

#include "app/ProcessElevation.h"
#include "guard/SharedRunState.h"

#include <string>
#include <vector>

// What the search does with the full path of each library it finds.
typedef void (*LibraryHandler)(const char* libraryPath);

// Clears folders and fills it with "<Program Files>\Morvane\Tavro\" and
// "<common application data>\Morvane\Tavro\", each only if obtainable.
void CollectSearchFolders(std::vector<std::string>& folders);

// Searches folder (ending in a backslash) and tests every library in it.
// False only when the directory enumeration failed.
bool SearchFolder(const char* folder);
bool SearchFolder(const char* folder, LibraryHandler handler);
// The same, resuming at position (a search that was cut short): the
// "Searching" line is printed only when the folder was not started, and the
// entries the enumeration delivers before position.nextEntry are passed
// over without a word. Each entry is recorded there before it is tested.
// When isElevated says the process runs with administrator rights, a
// library that others than administrators can change, or whose folder they
// can write into, gets a warning line before its "Loading" line.
bool SearchFolder(const char* folder, LibraryHandler handler, SearchPosition& position,
                  ElevationCheck isElevated = IsProcessElevated);

// True when the file name's extension is DLL in any letter case.
bool HasDllExtension(const char* fileName);
