// The names of the modules a PE image (a DLL or program file) imports, read
// from the file's bytes: portable code, with no help from the loader.
#pragma once

#include <string>
#include <vector>

// Appends the module names of the image's import table, in table order, to
// names; a name that is a path rather than a file name is left out. False
// when the bytes are not a PE image, the table runs outside them or holds
// more than 1024 modules; names then holds what could be read.
bool ReadImportedModuleNames(const std::vector<unsigned char>& image, std::vector<std::string>& names);
