#include "app/FolderSearch.h"

#include "app/DirectoryEnumeration.h"
#include "app/LibraryProbe.h"
#include "app/LibraryWriteWarning.h"
#include "output/ConsoleLog.h"

#include <boost/algorithm/string/case_conv.hpp>
#include <shlobj.h>
#include <windows.h>

#include <locale>

namespace {

const char* const kFolderSuffix = "\\Morvane\\Tavro\\";
const char* const kLibraryPattern = "*.dll";

void AppendSpecialFolder(int csidl, std::vector<std::string>& folders)
{
    char buffer[MAX_PATH] = "";
    if (SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        folders.push_back(std::string(buffer) + kFolderSuffix);
}

// One pass of the search over one folder.
struct FolderPass {
    std::string folder;
    I_LibraryTester& tester;
    CLibraryWriteWarning& writeWarning;
};

// Only the entry's place in the enumeration decides which line introduces
// it: the first one delivered gets no leading line feed. A warning about who
// can change the library comes right before its "Loading" line. False when
// the tester cannot go on.
bool TestIfLibrary(const FolderPass& pass, const char* fileName, bool first)
{
    if (!HasDllExtension(fileName))
        return true;
    const std::string path = pass.folder + fileName;
    const std::string leading = first ? "" : "\n";
    pass.tester.BeforeSearchLine();
    PrintText(leading + pass.writeWarning.For(path) + "Loading " + path +
                  "\n\n",
              0, false);
    return pass.tester.Test(path.c_str());
}

// Tests each library in this process, as the program's one process would.
class CTestsHere : public I_LibraryTester {
public:
    bool Test(const char* libraryPath) override
    {
        TestDeviceLibrary(libraryPath);
        return true;
    }
};

}  // namespace

void CollectSearchFolders(std::vector<std::string>& folders)
{
    folders.clear();
    AppendSpecialFolder(CSIDL_PROGRAM_FILES, folders);
    AppendSpecialFolder(CSIDL_COMMON_APPDATA, folders);
}

bool SearchFolder(const char* folder)
{
    CTestsHere here;
    return SearchFolder(folder, here);
}

bool SearchFolder(const char* folder, I_LibraryTester& tester, ElevationCheck isElevated)
{
    const std::string folderPath(folder);
    tester.BeforeSearchLine();
    PrintFormatted("Searching %s . . .\n\n", folder, 0);
    if (!IsExistingFolder(folderPath)) {
        PrintText("Directory does not exist\n\n", 0, false);
        return true;
    }

    CDirectoryEnumeration entries(folderPath + kLibraryPattern);
    if (!entries.IsOpen()) {
        if (entries.ErrorCode() == ERROR_FILE_NOT_FOUND) {
            PrintText("No dll files found\n\n", 0, false);
            return true;
        }
        PrintFormatted("FindFirstFile failed. %s\n\n",
                       GetSystemErrorText(entries.ErrorCode()).c_str(), 0);
        return false;
    }

    CLibraryWriteWarning writeWarning(folderPath, isElevated);
    const FolderPass pass = {folderPath, tester, writeWarning};
    if (!TestIfLibrary(pass, entries.FileName(), true))
        return false;
    while (entries.Next())
        if (!TestIfLibrary(pass, entries.FileName(), false))
            return false;

    if (entries.ErrorCode() != ERROR_NO_MORE_FILES) {
        tester.BeforeSearchLine();
        PrintFormatted("FindNextFile failed. %s\n\n",
                       GetSystemErrorText(entries.ErrorCode()).c_str(), 0);
        return false;
    }
    return true;
}

bool HasDllExtension(const char* fileName)
{
    const std::string name(fileName);
    const std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size())
        return false;
    std::string extension = name.substr(dot + 1);
    boost::algorithm::to_upper(extension, std::locale());
    return extension == "DLL";
}
