#include "check/recording/CheckSession.h"

#include "check/checks/CheckCatalogue.h"
#include "check/recording/Reports.h"

#include <CLI/CLI.hpp>

#include <windows.h>

#include <cstdio>
#include <fstream>

namespace {

const char kUsage[] =
    "Usage: TavroCheck [--time SECONDS] [--soak SECONDS] [--only ID]... [--skip ID]... [--repeat N] [--quiet]\n"
    "                  [--junit FILE] [--json FILE] [--trace FILE] [--in-process] LIBRARY.dll...\n"
    "       TavroCheck --list";

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

void PrintList(std::ostream& out)
{
    for (const CheckInfo& check : FullCatalogue()) {
        char line[64];
        std::snprintf(line, sizeof line, "%-29s %-13s ", check.id,
                      *check.rule ? ("[" + std::string(check.rule) + "]").c_str() : "(open)");
        out << line << check.text << "\n";
    }
}

// Under Wine, an absolute Unix path (as CMake and the shells of Linux give
// them, /home/writer/build/lib.dll) names the file Wine maps it to. Windows
// itself has no such function, and there nothing changes.
std::string LocalPath(const std::string& path)
{
    if (path.size() < 2 || path[0] != '/' || path[1] == '/')
        return path;
    typedef WCHAR*(CDECL * DosNameProc)(const char*);
    const DosNameProc dosName = reinterpret_cast<DosNameProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    WCHAR* const wide = dosName ? dosName(path.c_str()) : nullptr;
    if (!wide)
        return path;
    std::string local(4 * lstrlenW(wide) + 1, '\0');
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide, -1, &local[0], static_cast<int>(local.size()), nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, wide);
    local.resize(bytes > 1 ? bytes - 1 : 0);
    return local.empty() ? path : local;
}

void MakePathsLocal(CheckOptions& options)
{
    for (std::string* path : {&options.junit, &options.json, &options.trace})
        *path = LocalPath(*path);
    for (std::string& library : options.libraries)
        library = LocalPath(library);
}

}  // namespace

std::string CheckOptions::ChildOptions() const
{
    std::string text = "--time " + Number(seconds) + " --soak " + Number(soak);
    for (const std::string& pattern : only)
        text += " --only " + Quoted(pattern);
    for (const std::string& pattern : skip)
        text += " --skip " + Quoted(pattern);
    if (!trace.empty())
        text += " --trace " + Quoted(trace);
    return text;
}

int ParseCommandLine(int argc, char** argv, CheckOptions& options, std::ostream& out, std::ostream& err)
{
    CLI::App app(std::string(kUsage) +
                     "\n\nChecks Tavro device libraries against the rules of TavroDeviceLibrary.h.\n"
                     "Exit code: 0 every check passed (warnings allowed), 1 a check failed, 2 bad usage.",
                 "TavroCheck");
    // A path such as /home/writer/lib.dll is a path, not an option.
    app.allow_windows_style_options(false);
    app.add_option("--time", options.seconds,
                   "SECONDS: longest wait for readiness and for any library call (default 10); the data "
                   "and unregister watches last at most 1 s")
        ->check(CLI::Range(0.1, 3600.0));
    app.add_option("--soak", options.soak,
                   "SECONDS: length of the long acquisition polled 10 times a second (default 5)")
        ->check(CLI::Range(1.0, 86400.0));
    app.add_option("--only", options.only,
                   "ID: make only the checks that match (and those they need); * and ? match any text and "
                   "one character (data.*); may be given more than once, or as a comma-separated list")
        ->delimiter(',')
        ->allow_extra_args(false);
    app.add_option("--skip", options.skip, "ID: leave out the checks that match (and those that need them)")
        ->delimiter(',')
        ->allow_extra_args(false);
    app.add_option("--repeat", options.repeat, "N: make every check N times, each round in fresh loads")
        ->check(CLI::Range(1, 1000));
    app.add_flag("--quiet", options.quiet, "show only the checks that did not pass (info counts as a pass)");
    bool list = false;
    app.add_flag("--list", list, "list every check with its rule, and end");
    app.add_option("--junit", options.junit, "FILE: write the results as JUnit XML");
    app.add_option("--json", options.json, "FILE: write the results as JSON");
    app.add_option("--trace", options.trace,
                   "FILE: write every call into a library, and every callback, one line each");
    app.add_flag("--in-process", options.inProcess,
                 "check in TavroCheck's own process, for a debugger: a library that faults, ends the process or "
                 "hangs then ends or stalls the run, and no report is written");
    // Given by TavroCheck to the child process it checks a library in.
    app.add_option("--child", options.child)->group("");
    app.add_option("LIBRARY", options.libraries, "device libraries to check");
    std::string unmatched;
    try {
        app.parse(argc, argv);
        if (list) {
            PrintList(out);
            return 0;
        }
        if (options.libraries.empty())
            throw CLI::RequiredError("LIBRARY");
        if (!ChooseChecks(options.only, options.skip, unmatched))
            throw CLI::ValidationError("--only/--skip", "\"" + unmatched + "\" matches no check (see --list)");
        if (CheckCatalogue().empty())
            throw CLI::ValidationError("--skip", "leaves no check to make");
        MakePathsLocal(options);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        err << "TavroCheck: " << error.what() << "\n\n" << app.help();
        return 2;
    }
    return -1;
}

CCheckSession::CCheckSession(const CheckOptions& options, const CCheckRecorder& recorder, std::ostream& out)
    : m_options(options), m_recorder(recorder), m_out(out), m_printed(0)
{
}

void CCheckSession::PrintFinished()
{
    const std::vector<LibraryResults> results = m_recorder.Results();
    for (; m_printed < results.size() && !results[m_printed].checks.empty(); ++m_printed)
        m_out << FormatTable(results[m_printed], m_options.quiet);
    m_out.flush();
}

int CCheckSession::Finish()
{
    PrintFinished();
    const std::vector<LibraryResults> results = m_recorder.Results();
    bool passed = true;
    int failedLibraries = 0;
    for (const LibraryResults& library : results)
        if (!library.Passed()) {
            passed = false;
            ++failedLibraries;
        }
    const size_t planned = m_options.libraries.size() * static_cast<size_t>(m_options.repeat);
    if (m_options.repeat > 1)
        m_out << results.size() << " of " << planned << " library rounds checked (" << m_options.repeat
              << " rounds), " << failedLibraries << " failed\n";
    else
        m_out << results.size() << " of " << planned << " libraries checked, " << failedLibraries << " failed\n";
    bool written = true;
    if (!m_options.json.empty())
        written = WriteFile(m_options.json, FormatJson(results, BuildArchitecture())) && written;
    if (!m_options.junit.empty())
        written = WriteFile(m_options.junit, FormatJunit(results)) && written;
    m_out.flush();
    return passed && written ? 0 : 1;
}

bool CCheckSession::WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        m_out << "TavroCheck: cannot write " << path << "\n";
        return false;
    }
    return true;
}
