// The names of the modules a PE image (a DLL or program file) imports.
#pragma once

#include "pe/PeImage.h"

#include <string>
#include <vector>

// Appends the module names of the image's import table, in table order, to
// names; a name that is a path rather than a file name is left out. False
// when the image is not valid, the table runs outside its sections or holds
// more than 1024 modules; names then holds what could be read.
bool ReadImportedModuleNames(const CPeImage& image, std::vector<std::string>& names);
