#include "app/LibraryWriteWarning.h"

#include "app/LocalMemory.h"
#include "app/NonAdminWriter.h"

#include <aclapi.h>
#include <windows.h>

namespace {

NonAdminPrincipal WriterOf(const std::string& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return NonAdminPrincipal::None;
    const LocalMemory owned(descriptor);
    return FindNonAdminWriter(descriptor);
}

// A drive's root keeps its backslash.
std::string WithoutTrailingBackslash(const std::string& folder)
{
    const std::string::size_type size = folder.size();
    if (size > 1 && folder[size - 1] == '\\' && folder[size - 2] != ':')
        return folder.substr(0, folder.size() - 1);
    return folder;
}

std::string Warning(const std::string& libraryPath, NonAdminPrincipal writer, const char* what)
{
    return "WARNING: Tavro device library " + libraryPath +
           " is loaded with administrator rights, and " + NonAdminPrincipalName(writer) + what +
           "\n";
}

}  // namespace

std::string LibraryWriteWarning(const std::string& folder, const std::string& libraryPath,
                                ElevationCheck isElevated)
{
    if (!isElevated())
        return std::string();
    NonAdminPrincipal writer = WriterOf(libraryPath);
    if (writer != NonAdminPrincipal::None)
        return Warning(libraryPath, writer, " can change it");
    writer = WriterOf(WithoutTrailingBackslash(folder));
    if (writer != NonAdminPrincipal::None)
        return Warning(libraryPath, writer, " can write to its folder");
    return std::string();
}
