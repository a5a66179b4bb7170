#include "device/MissingImports.h"

#include "output/ModulePath.h"
#include "pe/FileBytes.h"
#include "pe/PeImports.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace {

// Dependencies beside the library are followed this deep.
const int kMaxDepth = 4;

bool IsFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

// Whether the system finds the module by name: loaded already, or found by
// the search for a plain name (mapped as data only: none of its code runs).
bool SystemFinds(const std::string& name)
{
    // API set names are resolved by the loader's schema, not found as files.
    const std::string lowered = Lowered(name);
    if (lowered.compare(0, 7, "api-ms-") == 0 || lowered.compare(0, 7, "ext-ms-") == 0)
        return true;
    if (GetModuleHandleA(name.c_str()))
        return true;
    const HMODULE module = LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return false;
    FreeLibrary(module);
    return true;
}

void CollectMissing(const std::string& path, const std::string& folder, int depth,
                    std::set<std::string>& seen, std::string& text)
{
    std::vector<unsigned char> bytes;
    std::string error;
    if (!ReadWholeFile(path, bytes, error))
        return;
    std::vector<std::string> names;
    ReadImportedModuleNames(CPeImage(std::move(bytes)), names);
    for (const std::string& name : names) {
        if (!seen.insert(Lowered(name)).second)
            continue;
        const std::string beside = folder + name;
        if (IsFile(beside)) {
            if (depth < kMaxDepth)
                CollectMissing(beside, folder, depth + 1, seen, text);
        } else if (!SystemFinds(name)) {
            text += "  missing: " + name + "\n";
        }
    }
}

}  // namespace

std::string MissingImportsText(const std::string& path)
{
    std::set<std::string> seen;
    std::string text;
    CollectMissing(path, FolderOfPath(path), 0, seen, text);
    return text;
}
