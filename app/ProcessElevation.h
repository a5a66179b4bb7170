// Whether this process runs with administrator rights.
#pragma once

// What the folder search asks before it loads a library; tests put their own
// answer in its place.
typedef bool (*ElevationCheck)();

// True when the process token is elevated or holds the Administrators group
// enabled; false when either cannot be read otherwise.
bool IsProcessElevated();
