#include "app/RunSequence.h"

#include "app/FolderSearch.h"
#include "app/LibraryProbe.h"
#include "guard/ChildLibraryTests.h"
#include "guard/InProcessLibraryTests.h"
#include "output/ConsoleLog.h"

#include <memory>
#include <string>
#include <vector>

namespace {

bool SearchFolders(const std::vector<std::string>& folders, I_LibraryTester& tester)
{
    for (std::vector<std::string>::size_type i = 0; i < folders.size(); ++i) {
        if (!SearchFolder(folders[i].c_str(), tester))
            return false;
        if (i + 1 < folders.size()) {
            tester.BeforeSearchLine();
            PrintText("\n", 0, false);
        }
    }
    return true;
}

}  // namespace

bool RunTests(bool inProcess)
{
    if (!CreateLogFile())
        return false;

    std::vector<std::string> folders;
    CollectSearchFolders(folders);
    if (folders.empty()) {
        PrintText("ERROR: unsupported operating system.\n", 0, false);
        return false;
    }
    std::unique_ptr<I_LibraryTester> tester;
    if (inProcess)
        tester.reset(new CInProcessLibraryTests(TestDeviceLibrary));
    else
        tester.reset(new CChildLibraryTests(TestDeviceLibrary));
    const bool searched = SearchFolders(folders, *tester);
    tester->Finish();
    return searched;
}
