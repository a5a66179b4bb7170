#include "app/RunSequence.h"

#include "app/FolderSearch.h"
#include "app/LibraryProbe.h"
#include "guard/SearchIsolation.h"
#include "guard/TimerExceptions.h"
#include "guard/Watchdog.h"
#include "output/ConsoleLog.h"

#include <string>
#include <vector>

namespace {

bool SearchHere()
{
    KeepTimerExceptionsUnhandled();
    StartWatchdog();
    SearchPosition position = {};
    const bool searched = SearchFolders(position);
    StopWatchdog();
    return searched;
}

}  // namespace

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
    bool searched = false;
    if (RunSearchInChildren(searched))
        return searched;
    // Where the system refuses to start the search child (a program path
    // too long for it, say), the search runs here, without that guard.
    return SearchHere();
}

bool SearchFolders(SearchPosition& position)
{
    std::vector<std::string> folders;
    CollectSearchFolders(folders);
    for (std::vector<std::string>::size_type i = position.folder.load(); i < folders.size(); ++i) {
        if (!SearchFolder(folders[i].c_str(), TestDeviceLibrary, position))
            return false;
        if (i + 1 < folders.size()) {
            // The next folder is where a cut-short search resumes from now.
            position.nextEntry.store(0);
            position.folderStarted.store(0);
            position.folder.store(static_cast<int32_t>(i + 1));
            position.steps.fetch_add(1);
            PrintText("\n", 0, false);
        }
    }
    return true;
}
