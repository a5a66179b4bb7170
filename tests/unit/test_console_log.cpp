#include "OutputCapture.h"
#include "output/Console.h"
#include "output/ConsoleLog.h"
#include "output/ConsoleStreamBuffer.h"
#include "output/ConsoleWriter.h"
#include "output/ModulePath.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <ostream>
#include <vector>

namespace {

std::string Indented(const std::string& text, int indent)
{
    std::string out = "unchanged?";
    IndentLines(text, indent, out);
    return out;
}

// A console of a Western European Windows (ANSI code page 1252) that
// records what it is asked to show, each write apart.
class CFakeConsole : public I_Console {
public:
    bool IsConsole(FILE*) override { return isConsole; }
    unsigned TextCodePage() override { return 1252; }
    bool WriteCharacters(FILE*, const std::wstring& text) override
    {
        if (!accepts)
            return false;
        writes.push_back(text);
        return true;
    }
    std::wstring Shown() const
    {
        std::wstring all;
        for (const std::wstring& text : writes)
            all += text;
        return all;
    }

    bool isConsole = true;
    bool accepts = true;
    std::vector<std::wstring> writes;
};

// Units and a name in the ANSI code page: 0xB0 degree, 0xB5 micro, 0x89 per
// mille (U+2030 in 1252, not U+0089), 0xE4 a umlaut.
const char kAnsiText[] = "21.5 \xB0" "C, 3 \xB5m, 2 \x89\nGer\xE4t\n";
const wchar_t kShownText[] = L"21.5 \u00B0C, 3 \u00B5m, 2 \u2030\r\nGer\u00E4t\r\n";

// Shows the fake console to the output functions while it lives.
class ConsoleShown {
public:
    explicit ConsoleShown(I_Console& console) { SetConsole(&console); }
    ~ConsoleShown() { SetConsole(nullptr); }
};

}  // namespace

TEST(ConsoleWriter, AConsoleShowsTheCharactersOfTheAnsiCodePage)
{
    OutputCapture capture(false);
    CFakeConsole console;
    CConsoleWriter(console).Write(stdout, kAnsiText);
    EXPECT_EQ(kShownText, console.Shown());
}

TEST(ConsoleWriter, APipeOrFileOrARefusingConsoleGetsTheBytes)
{
    OutputCapture capture(false);
    CFakeConsole console;
    console.isConsole = false;
    {
        ConsoleShown shown(console);
        PrintText(kAnsiText, 0, false);
    }
    CFakeConsole refusing;
    refusing.accepts = false;
    {
        ConsoleShown shown(refusing);
        PrintText(kAnsiText, 0, false);
    }
    EXPECT_TRUE(console.writes.empty());
    EXPECT_EQ(Crlf(kAnsiText) + Crlf(kAnsiText), capture.Console());
}

TEST(PrintText, OnAConsoleShowsCharactersWhileTheLogKeepsTheBytes)
{
    OutputCapture capture;
    CFakeConsole console;
    {
        ConsoleShown shown(console);
        PrintText(kAnsiText, 2, false);
        PrintText(" Y\n", 0, true);
    }
    EXPECT_EQ(std::wstring(L"  ") + L"21.5 \u00B0C, 3 \u00B5m, 2 \u2030\r\n  Ger\u00E4t\r\n", console.Shown());
    EXPECT_EQ("", capture.Console());
    EXPECT_EQ(Crlf("  21.5 \xB0" "C, 3 \xB5m, 2 \x89\n  Ger\xE4t\n Y\n"), capture.Log());
}

TEST(ConsoleStreamBuffer, WritesWholeLinesAndTheRestOnAFlush)
{
    OutputCapture capture(false);
    CFakeConsole console;
    CConsoleStreamBuffer buffer(stdout, CConsoleWriter(console));
    std::ostream out(&buffer);
    out << "  PASS     Ger" << '\xE4' << "t\n  FA";
    ASSERT_EQ(1u, console.writes.size());
    EXPECT_EQ(L"  PASS     Ger\u00E4t\r\n", console.writes[0]);
    out << "IL\n" << 3 << " of 3" << std::flush;
    EXPECT_EQ(L"  PASS     Ger\u00E4t\r\n  FAIL\r\n3 of 3", console.Shown());
    EXPECT_EQ(3u, console.writes.size());
}

TEST(IndentLines, PutsBlanksBeforeEveryLineButNotAfterTheFinalLineFeed)
{
    EXPECT_EQ("  one", Indented("one", 2));
    EXPECT_EQ("  one\n  two\n", Indented("one\ntwo\n", 2));
    EXPECT_EQ("  \n  a\n  \n  b", Indented("\na\n\nb", 2));
    EXPECT_EQ("", Indented("", 2));
    EXPECT_EQ("    x\r\n    y", Indented("x\r\ny", 4));
}

TEST(IndentLines, ZeroOrNegativeIndentLeavesTheTextAlone)
{
    EXPECT_EQ("a\n b\n", Indented("a\n b\n", 0));
    EXPECT_EQ("a\n b\n", Indented("a\n b\n", -3));
}

TEST(PrintText, WritesConsoleThenLogWithTheSameIndentedText)
{
    OutputCapture capture;
    PrintText("Component count: 0\n\nx", 2, false);
    const std::string expected = Crlf("  Component count: 0\n  \n  x");
    EXPECT_EQ(expected, capture.Console());
    EXPECT_EQ(expected, capture.Log());
}

TEST(PrintText, LogOnlyTextSkipsTheConsole)
{
    OutputCapture capture;
    PrintText(" Y\n", 0, true);
    EXPECT_EQ("", capture.Console());
    EXPECT_EQ(" Y\r\n", capture.Log());
}

TEST(PrintText, LogOnlyTextWithoutAnOpenLogWritesNothing)
{
    OutputCapture capture(false);
    PrintText(" answer", 0, true);
    PrintText("visible\n", -1, false);
    EXPECT_EQ("visible\r\n", capture.Console());
}

TEST(PrintText, PercentSignsAreOrdinaryCharacters)
{
    OutputCapture capture;
    PrintText("100% done %s %d %n\n", 0, false);
    EXPECT_EQ("100% done %s %d %n\r\n", capture.Console());
    EXPECT_EQ(capture.Console(), capture.Log());
}

TEST(PrintFormatted, PutsTheArgumentLiterallyInPlaceOfTheMarker)
{
    OutputCapture capture;
    PrintFormatted("Searching %s . . .\n\n", "C:\\100% done\\%s%n\\", 0);
    EXPECT_EQ(Crlf("Searching C:\\100% done\\%s%n\\ . . .\n\n"), capture.Console());
    EXPECT_EQ(capture.Console(), capture.Log());
}

TEST(PrintFormatted, IndentsTheFinishedText)
{
    OutputCapture capture;
    PrintFormatted("Run acquisition test on device \"%s\" Y/N?", "two\nlines", 2);
    EXPECT_EQ(Crlf("  Run acquisition test on device \"two\n  lines\" Y/N?"), capture.Console());
}

TEST(PrintFormatted, LongTextsArePrintedWhole)
{
    OutputCapture capture;
    // "\nLoading %s\n\n" around a 251-character argument makes exactly 254
    // characters; 300 characters go well past any fixed buffer.
    const std::string fits(251, 'f');
    const std::string longer(300, 'L');
    PrintFormatted("\nLoading %s\n\n", fits.c_str(), 0);
    PrintFormatted("\nLoading %s\n\n", longer.c_str(), 0);
    EXPECT_EQ(Crlf("\nLoading " + fits + "\n\n" + "\nLoading " + longer + "\n\n"),
              capture.Console());
    EXPECT_EQ(capture.Console(), capture.Log());
}

TEST(GetLastErrorText, GivesTheSystemMessageWithItsLineEnd)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::string text = GetLastErrorText();
    ASSERT_GT(text.size(), 2u);
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
    EXPECT_EQ(text, GetSystemErrorText(ERROR_FILE_NOT_FOUND));
}

TEST(LinesOfSystemText, LeavesOutCarriageReturnsAndTheLineEndAtTheEnd)
{
    EXPECT_EQ("Access is denied.", LinesOfSystemText("Access is denied.\r\n"));
    EXPECT_EQ("first\nsecond", LinesOfSystemText("first\r\nsecond \r\n\r\n"));
    EXPECT_EQ("", LinesOfSystemText("\r\n"));
}

TEST(GetLastErrorText, GivesTheNumericFormWhenTheSystemHasNoText)
{
    SetLastError(0x20001234);
    EXPECT_EQ("System error code: 536875572", GetLastErrorText());
    EXPECT_EQ("System error code: 4294967295", GetSystemErrorText(0xFFFFFFFFul));
}

TEST(CloseLogFile, WithoutAnOpenLogWritesNothingAndReturns)
{
    OutputCapture capture(false);
    CloseLogFile();
    EXPECT_EQ("", capture.Console());
}

TEST(ModulePath, FolderOfPathKeepsDriveAndFoldersWithTheLastSeparator)
{
    EXPECT_EQ("C:\\Tools\\Probe\\", FolderOfPath("C:\\Tools\\Probe\\TavroProbe.exe"));
    EXPECT_EQ("\\\\server\\share\\", FolderOfPath("\\\\server\\share\\TavroProbe.exe"));
    EXPECT_EQ("C:", FolderOfPath("C:TavroProbe.exe"));
    EXPECT_EQ("", FolderOfPath("TavroProbe.exe"));
}

TEST(ModulePath, ProgramFilePathIsTheRunningExecutable)
{
    const std::string path = GetProgramFilePath();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(".exe", path.substr(path.size() - 4));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
}
