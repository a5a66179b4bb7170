// The warning before a run with administrator rights loads a device library
// that someone who is not an administrator could have put there.
#pragma once

#include "app/ProcessElevation.h"

#include <string>

// When isElevated says so and Everyone, Authenticated Users, Users or
// INTERACTIVE can change the library at libraryPath, or write into folder
// (its folder, ending in a backslash), the line naming the library and that
// principal, ending in a line feed; otherwise "". Nothing is read when the
// process is not elevated; an access list that cannot be read warns of
// nothing.
std::string LibraryWriteWarning(const std::string& folder, const std::string& libraryPath,
                                ElevationCheck isElevated);
