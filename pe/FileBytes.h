// A whole file's bytes, for the readers of its contents.
#pragma once

#include <string>
#include <vector>

// Reads the file at path into bytes; false (error set) when it cannot be
// opened.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error);
