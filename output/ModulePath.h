// Paths of the running program.
#pragma once

#include <string>

// Full path of the program file, however long it is.
std::string GetProgramFilePath();

// The folder part of a path (drive and folders), up to and including the
// last backslash or slash; empty when the path has none.
std::string FolderOfPath(const std::string& path);
