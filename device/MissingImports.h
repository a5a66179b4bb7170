// Which modules a library that failed to load imports but the system cannot
// find, read from the library's file.
#pragma once

#include <string>

// One line "  missing: <name>\n" for each module the library at path imports
// that is neither loaded, nor beside the library, nor found by the system's
// search; the imports of a module found beside the library are checked too.
// Empty when the file cannot be read or every import is found.
std::string MissingImportsText(const std::string& path);
