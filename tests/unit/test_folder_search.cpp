#include "OutputCapture.h"
#include "TempFolder.h"
#include "app/FolderSearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_handedOn;

// Records the libraries handed on; refuses to go on after stopAfter of them.
class CRecordingTester : public I_LibraryTester {
public:
    explicit CRecordingTester(std::size_t stopAfter = 1000) : m_stopAfter(stopAfter) {}
    void BeforeSearchLine() override { g_handedOn.push_back("(line)"); }
    bool Test(const char* libraryPath) override
    {
        g_handedOn.push_back(libraryPath);
        return --m_stopAfter != 0;
    }

private:
    std::size_t m_stopAfter;
};

// The libraries handed on, without the calls before each line.
std::vector<std::string> Libraries()
{
    std::vector<std::string> libraries;
    for (const std::string& entry : g_handedOn)
        if (entry != "(line)")
            libraries.push_back(entry);
    return libraries;
}

class SearchFolderTest : public ::testing::Test {
protected:
    void SetUp() override { g_handedOn.clear(); }

    bool Search(const std::string& folder)
    {
        CRecordingTester tester;
        return SearchFolder(folder.c_str(), tester);
    }

    TempFolder m_folder;
};

}  // namespace

TEST(HasDllExtension, AcceptsDllInAnyLetterCase)
{
    for (const char* name : {"a.dll", "A.DLL", "a.Dll", ".dll", "x.y.dLL"})
        EXPECT_TRUE(HasDllExtension(name)) << name;
}

TEST(HasDllExtension, RefusesEverythingElse)
{
    for (const char* name : {"a", "a.", "a.dllx", "a.dll.bak", "dll", "a.dl", "", "a.exe", "a.d ll"})
        EXPECT_FALSE(HasDllExtension(name)) << name;
}

TEST_F(SearchFolderTest, MissingFolderIsReportedAndCountsAsSearched)
{
    OutputCapture capture;
    const std::string missing = m_folder.Path() + "missing\\";
    EXPECT_TRUE(Search(missing));
    EXPECT_EQ(Crlf("Searching " + missing + " . . .\n\nDirectory does not exist\n\n"),
              capture.Console());
    EXPECT_EQ(capture.Console(), capture.Log());
}

TEST_F(SearchFolderTest, AFileGivenAsFolderDoesNotExistAsAFolder)
{
    OutputCapture capture;
    m_folder.AddFile("Tavro");
    EXPECT_TRUE(Search(m_folder.Path() + "Tavro\\"));
    EXPECT_NE(std::string::npos, capture.Console().find("Directory does not exist\r\n\r\n"));
    EXPECT_TRUE(Libraries().empty());
}

TEST_F(SearchFolderTest, EmptyFolderHasNoDllFiles)
{
    OutputCapture capture;
    EXPECT_TRUE(Search(m_folder.Path()));
    EXPECT_EQ(Crlf("Searching " + m_folder.Path() + " . . .\n\nNo dll files found\n\n"),
              capture.Console());
}

TEST_F(SearchFolderTest, OnlyDllExtensionsAreHandedOnInEnumerationOrder)
{
    OutputCapture capture;
    for (const char* name : {"a", "a.", "a.dllx", "a.dll.bak", "b.dll", "C.DLL", "d.txt"})
        m_folder.AddFile(name);
    m_folder.AddFolder("e.dll");

    EXPECT_TRUE(Search(m_folder.Path()));

    const std::string& f = m_folder.Path();
    ASSERT_EQ((std::vector<std::string>{f + "b.dll", f + "C.DLL", f + "e.dll"}), Libraries());
    // a.dllx comes first (matched through its short name) and is skipped
    // silently, so even the first library gets the leading line feed.
    EXPECT_EQ(Crlf("Searching " + f + " . . .\n\n" + "\nLoading " + f + "b.dll\n\n" +
                   "\nLoading " + f + "C.DLL\n\n" + "\nLoading " + f + "e.dll\n\n"),
              capture.Console());
    EXPECT_EQ(capture.Console(), capture.Log());
}

TEST_F(SearchFolderTest, FirstEnumeratedLibraryHasNoLeadingLineFeed)
{
    OutputCapture capture;
    m_folder.AddFile("A.dll");
    m_folder.AddFile("b.DLL");
    EXPECT_TRUE(Search(m_folder.Path()));
    const std::string& f = m_folder.Path();
    EXPECT_EQ(Crlf("Searching " + f + " . . .\n\nLoading " + f + "A.dll\n\n\nLoading " + f +
                   "b.DLL\n\n"),
              capture.Console());
}

TEST_F(SearchFolderTest, FolderWithOnlyRefusedNamesPrintsOnlyItsSearchingLine)
{
    OutputCapture capture;
    m_folder.AddFile("a.dllx");
    m_folder.AddFile("b.dll.bak");
    EXPECT_TRUE(Search(m_folder.Path()));
    EXPECT_TRUE(Libraries().empty());
    EXPECT_EQ(Crlf("Searching " + m_folder.Path() + " . . .\n\n"), capture.Console());
}

TEST_F(SearchFolderTest, TheTesterHearsOfEveryLineFirstAndCanStopTheSearch)
{
    OutputCapture capture;
    for (const char* name : {"a.dll", "b.dll", "c.dll"})
        m_folder.AddFile(name);
    const std::string& f = m_folder.Path();
    CRecordingTester tester(2);
    EXPECT_FALSE(SearchFolder(f.c_str(), tester));
    EXPECT_EQ((std::vector<std::string>{"(line)", "(line)", f + "a.dll", "(line)", f + "b.dll"}), g_handedOn);
    EXPECT_EQ(Crlf("Searching " + f + " . . .\n\nLoading " + f + "a.dll\n\n\nLoading " + f + "b.dll\n\n"),
              capture.Console());
}
