#include "app/RunSequence.h"

#include "app/FolderSearch.h"
#include "output/ConsoleLog.h"

#include <string>
#include <vector>

bool RunTests()
{
    if (!CreateLogFile())
        return false;

    std::vector<std::string> folders;
    CollectSearchFolders(folders);
    if (folders.empty()) {
        PrintText("ERROR: unsupported operating system.\n", 0, false);
        return false;
    }

    for (std::vector<std::string>::size_type i = 0; i < folders.size(); ++i) {
        if (!SearchFolder(folders[i].c_str()))
            return false;
        if (i + 1 < folders.size())
            PrintText("\n", 0, false);
    }
    return true;
}
