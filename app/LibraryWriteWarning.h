// The warning before a run with administrator rights loads a device library
// that someone who is not an administrator could have put there.
#pragma once

#include "app/NonAdminWriter.h"
#include "app/ProcessElevation.h"

#include <string>

// The warnings for the libraries of one folder. What holds for the whole
// folder (whether the process runs with administrator rights, who can write
// into the folder) is found once, at the first library that needs it, not
// for every library.
class CLibraryWriteWarning {
public:
    // folder ends in a backslash.
    CLibraryWriteWarning(const std::string& folder, ElevationCheck isElevated);

    // When isElevated says so and Everyone, Authenticated Users, Users or
    // INTERACTIVE can change the library at libraryPath (in the folder), or
    // write into the folder, the line naming the library and that
    // principal, ending in a line feed; otherwise "". Nothing is read when
    // the process is not elevated; an access list that cannot be read warns
    // of nothing.
    std::string For(const std::string& libraryPath);

private:
    bool IsElevated();
    NonAdminPrincipal FolderWriter();

    std::string m_folder;
    ElevationCheck m_isElevated;
    bool m_elevationKnown;
    bool m_elevated;
    bool m_folderWriterKnown;
    NonAdminPrincipal m_folderWriter;
};
