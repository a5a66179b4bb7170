// The export checks over a library's export name table (pe/PeExports.h):
// required and version exports present and undecorated, no unknown Tavro_
// export. Pure logic, no system calls.
#pragma once

#include "check/recording/CheckRecorder.h"

#include <string>
#include <vector>

struct ExportOutcomes {
    CheckOutcome required;  // exports.required
    CheckOutcome version;   // exports.version
    CheckOutcome unknown;   // exports.unknown
};

ExportOutcomes CheckExportNames(const std::vector<std::string>& names);

// The undecorated form of an export name: without a leading '_' or '@' and
// a trailing "@<digits>" (the i386 cdecl, stdcall and fastcall decorations).
std::string UndecoratedName(const std::string& name);
