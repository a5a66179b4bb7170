#include "app/LibraryWriteWarning.h"

#include "app/LocalMemory.h"

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

CLibraryWriteWarning::CLibraryWriteWarning(const std::string& folder, ElevationCheck isElevated)
    : m_folder(folder), m_isElevated(isElevated), m_elevationKnown(false), m_elevated(false),
      m_folderWriterKnown(false), m_folderWriter(NonAdminPrincipal::None)
{
}

std::string CLibraryWriteWarning::For(const std::string& libraryPath)
{
    if (!IsElevated())
        return std::string();
    NonAdminPrincipal writer = WriterOf(libraryPath);
    if (writer != NonAdminPrincipal::None)
        return Warning(libraryPath, writer, " can change it");
    writer = FolderWriter();
    if (writer != NonAdminPrincipal::None)
        return Warning(libraryPath, writer, " can write to its folder");
    return std::string();
}

bool CLibraryWriteWarning::IsElevated()
{
    if (!m_elevationKnown) {
        m_elevated = m_isElevated();
        m_elevationKnown = true;
    }
    return m_elevated;
}

NonAdminPrincipal CLibraryWriteWarning::FolderWriter()
{
    if (!m_folderWriterKnown) {
        m_folderWriter = WriterOf(WithoutTrailingBackslash(m_folder));
        m_folderWriterKnown = true;
    }
    return m_folderWriter;
}
