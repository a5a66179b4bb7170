// The system's console itself, not a fake: a console screen buffer shows what
// the console writer sends it, read back cell by cell. The checks run in a
// child of this test program that has a console of its own: a console
// program started with CREATE_NO_WINDOW gets one without a window, which
// Wine gives even where no display is (a console with a window cannot be
// made there).
#include "GTestPrinter.h"
#include "OutputCapture.h"
#include "TempFolder.h"
#include "output/ConsoleWriter.h"
#include "output/ModulePath.h"
#include "output/Win32Console.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace {

// Units and a name in the ANSI code page 1252: 0xB0 degree, 0xB5 micro,
// 0xE4 a umlaut. The console's own code page (437 under Wine) would show
// these bytes as other characters.
const char kAnsiText[] = "21.5 \xB0" "C, 3 \xB5m\nGer\xE4t\n";

// A screen buffer of the child's console, as a text-mode C stream.
class CScreenBuffer {
public:
    CScreenBuffer() : m_handle(nullptr), m_stream(nullptr)
    {
        m_handle = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE)
            return;
        // Room for the longest text below without scrolling.
        const COORD size = {kWidth, 300};
        SetConsoleScreenBufferSize(m_handle, size);
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(m_handle), _O_TEXT);
        m_stream = descriptor < 0 ? nullptr : _fdopen(descriptor, "w");
    }
    ~CScreenBuffer()
    {
        if (m_stream)
            fclose(m_stream);
        else if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    CScreenBuffer(const CScreenBuffer&) = delete;
    CScreenBuffer& operator=(const CScreenBuffer&) = delete;

    FILE* Stream() const { return m_stream; }

    // count cells from the start of row.
    std::wstring Cells(short row, DWORD count) const
    {
        std::wstring cells(count, L'\0');
        DWORD read = 0;
        const COORD at = {0, row};
        ReadConsoleOutputCharacterW(m_handle, &cells[0], count, at, &read);
        cells.resize(read);
        return cells;
    }
    // A row without the blanks after its text.
    std::wstring Row(short row) const
    {
        std::wstring cells = Cells(row, kWidth);
        cells.erase(cells.find_last_not_of(L' ') + 1);
        return cells;
    }

    static const short kWidth = 100;

private:
    HANDLE m_handle;
    FILE* m_stream;
};

// Runs this program's checks on a real console in a child, its output going
// to a file; the child's exit code, and its output for the failure message.
int RunChecksInAChildWithAConsole(std::string& output)
{
    TempFolder folder;
    const std::string outputPath = folder.Path() + "child-output.txt";
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    const HANDLE file = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    std::string commandLine = "\"" + GetProgramFilePath() +
                              "\" --gtest_also_run_disabled_tests --gtest_filter=DISABLED_OnARealConsole.*";
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(file);
    if (!started)
        return -1;
    // An i386 process started under emulation takes about a minute.
    WaitForSingleObject(process.hProcess, 10 * 60 * 1000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    output = ReadFileBytes(outputPath);
    return static_cast<int>(code);
}

}  // namespace

TEST(Win32Console, ShowsTheProgramsTextsOnARealConsole)
{
    TAVRO_SKIP_UNDER_I386_EMULATION(TAVRO_QEMU_SLOWS_CHILD_PROCESSES);
    std::string output;
    EXPECT_EQ(0, RunChecksInAChildWithAConsole(output)) << output;
    EXPECT_NE(std::string::npos, output.find("[  PASSED  ] 3 tests.")) << output;
}

// The checks the child runs (a disabled test runs only when asked for).
TEST(DISABLED_OnARealConsole, TellsAConsoleFromAFile)
{
    CScreenBuffer screen;
    ASSERT_NE(nullptr, screen.Stream());
    CWin32Console console;
    EXPECT_TRUE(console.IsConsole(screen.Stream()));
    EXPECT_FALSE(console.IsConsole(nullptr));
    TempFolder folder;
    folder.AddFile("file.txt");
    FILE* const plain = fopen((folder.Path() + "file.txt").c_str(), "w");
    ASSERT_NE(nullptr, plain);
    EXPECT_FALSE(console.IsConsole(plain));
    fclose(plain);
}

TEST(DISABLED_OnARealConsole, ShowsAnsiTextsAsTheirCharacters)
{
    ASSERT_EQ(1252u, GetACP()) << "the texts below are in code page 1252";
    CScreenBuffer screen;
    ASSERT_NE(nullptr, screen.Stream());
    CWin32Console console;
    CConsoleWriter writer(console);
    writer.Write(screen.Stream(), kAnsiText);
    writer.Write(screen.Stream(), "third");
    EXPECT_EQ(L"21.5 \u00B0C, 3 \u00B5m", screen.Row(0));
    EXPECT_EQ(L"Ger\u00E4t", screen.Row(1));
    EXPECT_EQ(L"third", screen.Row(2));
}

TEST(DISABLED_OnARealConsole, ALongTextArrivesWholeInPiecesThatKeepSurrogatePairsTogether)
{
    CScreenBuffer screen;
    ASSERT_NE(nullptr, screen.Stream());
    // A pair (U+1F600) across the end of the first piece, then more than a
    // second piece holds.
    std::wstring text(kConsolePiece - 1, L'a');
    text += L"\xD83D\xDE00";
    text += std::wstring(kConsolePiece + 10, L'b');
    EXPECT_EQ(kConsolePiece - 1, ConsolePieceLength(text, 0));
    EXPECT_EQ(kConsolePiece, ConsolePieceLength(text, kConsolePiece - 1));
    EXPECT_EQ(12u, ConsolePieceLength(text, 2 * kConsolePiece - 1));
    CWin32Console console;
    ASSERT_TRUE(console.WriteCharacters(screen.Stream(), text));
    EXPECT_TRUE(screen.Cells(0, static_cast<DWORD>(text.size())) == text);
}
