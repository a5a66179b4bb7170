// The export names of a PE image (a DLL), exactly as the file has them:
// decorated ones (_Tavro_X@8) too, which GetProcAddress would not find.
#pragma once

#include "pe/PeImage.h"

#include <string>
#include <vector>

// Reads the image's export name table, in file order, into names (none when
// the image has no export table). On failure returns false with error
// saying what is wrong with the file.
bool ReadExportNames(const CPeImage& image, std::vector<std::string>& names, std::string& error);
