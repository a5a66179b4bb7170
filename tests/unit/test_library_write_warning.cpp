#include "OutputCapture.h"
#include "TempFolder.h"
#include "app/FolderSearch.h"
#include "app/LibraryWriteWarning.h"
#include "app/LocalMemory.h"
#include "app/NonAdminWriter.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <string>

namespace {

LocalMemory Descriptor(const std::string& sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    return LocalMemory(descriptor);
}

NonAdminPrincipal WriterOf(const std::string& sddl)
{
    const LocalMemory descriptor = Descriptor(sddl);
    EXPECT_NE(nullptr, descriptor.get()) << sddl;
    return descriptor ? FindNonAdminWriter(descriptor.get()) : NonAdminPrincipal::None;
}

// C:\Program Files as Windows installs it: TrustedInstaller owns it, and
// CREATOR OWNER's full control passes on to whatever is created there.
const char* const kProgramFiles =
    "D:PAI(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
    "(A;CIIO;GA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
    "(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
    "(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)"
    "(A;;0x1200a9;;;S-1-15-2-1)(A;OICIIO;GXGR;;;S-1-15-2-1)";

// Morvane\Tavro made under C:\ProgramData, keeping what it inherits: Users
// may add files and subfolders.
const char* const kProgramDataFolder =
    "D:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIIOID;GA;;;CO)"
    "(A;OICIID;0x1200a9;;;BU)(A;CIID;0x116;;;BU)";

}  // namespace

TEST(NonAdminWriter, AFolderWhereUsersMayAddFilesNamesUsers)
{
    EXPECT_EQ(NonAdminPrincipal::Users, WriterOf(kProgramDataFolder));
}

TEST(NonAdminWriter, ProgramFilesWithItsCreatorOwnerEntryHasNone)
{
    EXPECT_EQ(NonAdminPrincipal::None, WriterOf(kProgramFiles));
    // Entries that only pass on to what is created later grant nothing here.
    EXPECT_EQ(NonAdminPrincipal::None, WriterOf("D:(A;OICIIO;GA;;;BU)(A;;0x1200a9;;;BU)"));
}

TEST(NonAdminWriter, AnExplicitDenyBeforeTheAllowWins)
{
    // An installer's explicit list, its deny first.
    EXPECT_EQ(NonAdminPrincipal::None, WriterOf("D:P(D;OICI;FW;;;BU)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
                                                "(A;OICI;0x1200a9;;;BU)(A;CI;0x116;;;BU)"));
    // Everyone's deny holds for every one of the groups.
    EXPECT_EQ(NonAdminPrincipal::None, WriterOf("D:(D;;FW;;;WD)(A;;FW;;;BU)(A;;FW;;;IU)"));
    // Evaluated in order, as the system does: a right allowed first stays.
    EXPECT_EQ(NonAdminPrincipal::Users, WriterOf("D:(A;;0x2;;;BU)(D;;FW;;;BU)"));
}

TEST(NonAdminWriter, EveryoneWithGenericWriteNamesEveryone)
{
    EXPECT_EQ(NonAdminPrincipal::Everyone, WriterOf("D:(A;;FA;;;BA)(A;;GW;;;WD)"));
}

TEST(NonAdminWriter, EachWriteRightCountsAndNoOtherDoes)
{
    char sddl[64];
    for (unsigned rights : {0x2u, 0x4u, 0x40000u, 0x80000u, 0x40000000u, 0x10000000u}) {
        std::snprintf(sddl, sizeof sddl, "D:(A;;0x%x;;;AU)", rights);
        EXPECT_EQ(NonAdminPrincipal::AuthenticatedUsers, WriterOf(sddl)) << sddl;
    }
    // Read, execute, write attributes and extended attributes, delete,
    // delete a child, and generic read and execute.
    for (unsigned rights : {0x1200a9u, 0x110u, 0x10000u, 0x40u, 0xa0000000u}) {
        std::snprintf(sddl, sizeof sddl, "D:(A;;0x%x;;;AU)", rights);
        EXPECT_EQ(NonAdminPrincipal::None, WriterOf(sddl)) << sddl;
    }
}

TEST(NonAdminWriter, TheBroadestPrincipalIsNamed)
{
    EXPECT_EQ(NonAdminPrincipal::Everyone, WriterOf("D:(A;;FA;;;IU)(A;;FA;;;BU)(A;;FA;;;WD)"));
    EXPECT_EQ(NonAdminPrincipal::Interactive, WriterOf("D:(A;;FA;;;IU)"));
    EXPECT_STREQ("Everyone", NonAdminPrincipalName(NonAdminPrincipal::Everyone));
    EXPECT_STREQ("NT AUTHORITY\\Authenticated Users",
                 NonAdminPrincipalName(NonAdminPrincipal::AuthenticatedUsers));
    EXPECT_STREQ("BUILTIN\\Users", NonAdminPrincipalName(NonAdminPrincipal::Users));
    EXPECT_STREQ("NT AUTHORITY\\INTERACTIVE", NonAdminPrincipalName(NonAdminPrincipal::Interactive));
}

TEST(NonAdminWriter, NoAccessListLetsEveryoneWrite)
{
    // Made by hand: Wine turns "D:NO_ACCESS_CONTROL" into an empty list.
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    EXPECT_EQ(NonAdminPrincipal::Everyone, FindNonAdminWriter(&descriptor));
    // An empty list lets no one do anything.
    EXPECT_EQ(NonAdminPrincipal::None, WriterOf("D:"));
}

namespace {

// Tests nothing: only the search's own lines are printed.
class CNoTests : public I_LibraryTester {
public:
    bool Test(const char*) override { return true; }
};

bool Elevated()
{
    return true;
}

bool NotElevated()
{
    return false;
}

// Lets everyone change the file or write into the folder. Not passed on to
// what the folder holds already.
void OpenToEveryone(const std::string& path)
{
    const LocalMemory descriptor = Descriptor("D:(A;OICI;FA;;;WD)");
    ASSERT_TRUE(SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.get()));
}

std::string Warning(const std::string& library, const char* what)
{
    return "WARNING: Tavro device library " + library +
           " is loaded with administrator rights, and Everyone " + what + "\n";
}

class LibraryWriteWarningTest : public ::testing::Test {
protected:
    void SetUp() override { m_folder.AddFile("a.dll"); }

    std::string Library() const { return m_folder.Path() + "a.dll"; }
    std::string WarningFor(ElevationCheck isElevated) const
    {
        return CLibraryWriteWarning(m_folder.Path(), isElevated).For(Library());
    }

    TempFolder m_folder;
};

}  // namespace

TEST_F(LibraryWriteWarningTest, ALockedDownLibraryIsLoadedWithoutAWord)
{
    EXPECT_EQ("", WarningFor(Elevated));
}

TEST_F(LibraryWriteWarningTest, ALibraryOthersCanChangeIsNamedOnlyWhenElevated)
{
    OpenToEveryone(Library());
    EXPECT_EQ(Warning(Library(), "can change it"), WarningFor(Elevated));
    EXPECT_EQ("", WarningFor(NotElevated));
}

TEST_F(LibraryWriteWarningTest, AFolderOthersCanWriteIntoIsNamedOnlyWhenElevated)
{
    OpenToEveryone(m_folder.Path());
    EXPECT_EQ(Warning(Library(), "can write to its folder"), WarningFor(Elevated));
    EXPECT_EQ("", WarningFor(NotElevated));
}

TEST(SearchFolderWarning, ComesRightBeforeEachLoadingLineOnConsoleAndLog)
{
    TempFolder folder;
    folder.AddFile("a.dll");
    folder.AddFile("b.dll");
    OpenToEveryone(folder.Path());
    const std::string& f = folder.Path();
    const std::string plain = "Searching " + f + " . . .\n\nLoading " + f + "a.dll\n\n\nLoading " +
                              f + "b.dll\n\n";
    const std::string warned = "Searching " + f + " . . .\n\n" +
                               Warning(f + "a.dll", "can write to its folder") + "Loading " + f +
                               "a.dll\n\n\n" + Warning(f + "b.dll", "can write to its folder") +
                               "Loading " + f + "b.dll\n\n";
    for (ElevationCheck isElevated : {NotElevated, Elevated}) {
        OutputCapture capture;
        CNoTests noTests;
        EXPECT_TRUE(SearchFolder(f.c_str(), noTests, isElevated));
        EXPECT_EQ(Crlf(isElevated == Elevated ? warned : plain), capture.Console());
        EXPECT_EQ(capture.Console(), capture.Log());
    }
}
