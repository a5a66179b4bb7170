// The names of the modules a PE image (a DLL or program file) imports, read
// from the file's bytes: portable code, with no help from the loader.
#pragma once

#include <string>
#include <vector>

// Appends the module names of the image's import table, in table order, to
// names. False when the bytes are not a PE image or the table runs outside
// them; names then holds what could be read.
bool ReadImportedModuleNames(const std::vector<unsigned char>& image, std::vector<std::string>& names);
