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
    LibraryHandler handler;
    CLibraryWriteWarning& writeWarning;
    SearchPosition& position;
};

// Only the entry's place in the enumeration decides which line introduces
// it: the first one delivered gets no leading line feed. A warning about who
// can change the library comes right before its "Loading" line.
void TestIfLibrary(const FolderPass& pass, const char* fileName, int32_t entry)
{
    if (entry < pass.position.nextEntry.load())
        return;
    pass.position.nextEntry.store(entry + 1);
    pass.position.steps.fetch_add(1);
    if (!HasDllExtension(fileName))
        return;
    const std::string path = pass.folder + fileName;
    const std::string leading = entry == 0 ? "" : "\n";
    PrintText(leading + pass.writeWarning.For(path) + "Loading " + path +
                  "\n\n",
              0, false);
    pass.handler(path.c_str());
}

}  // namespace

void CollectSearchFolders(std::vector<std::string>& folders)
{
    folders.clear();
    AppendSpecialFolder(CSIDL_PROGRAM_FILES, folders);
    AppendSpecialFolder(CSIDL_COMMON_APPDATA, folders);
}

bool SearchFolder(const char* folder)
{
    return SearchFolder(folder, TestDeviceLibrary);
}

bool SearchFolder(const char* folder, LibraryHandler handler)
{
    SearchPosition position = {};
    return SearchFolder(folder, handler, position);
}

bool SearchFolder(const char* folder, LibraryHandler handler, SearchPosition& position,
                  ElevationCheck isElevated)
{
    const std::string folderPath(folder);
    if (!position.folderStarted.load()) {
        PrintFormatted("Searching %s . . .\n\n", folder, 0);
        position.folderStarted.store(1);
        position.steps.fetch_add(1);
    }
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
    const FolderPass pass = {folderPath, handler, writeWarning, position};
    int32_t entry = 0;
    TestIfLibrary(pass, entries.FileName(), entry);
    while (entries.Next())
        TestIfLibrary(pass, entries.FileName(), ++entry);

    if (entries.ErrorCode() != ERROR_NO_MORE_FILES) {
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
