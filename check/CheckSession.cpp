#include "check/CheckSession.h"

#include "check/Reports.h"

#include <CLI/CLI.hpp>

#include <fstream>

namespace {

const char kUsage[] =
    "Usage: TavroCheck [--time SECONDS] [--junit FILE] [--json FILE] [--in-process] LIBRARY.dll...";

}  // namespace

int ParseCommandLine(int argc, char** argv, CheckOptions& options, std::ostream& out, std::ostream& err)
{
    CLI::App app(std::string(kUsage) +
                     "\n\nChecks Tavro device libraries against the rules of TavroDeviceLibrary.h.\n"
                     "Exit code: 0 every check passed (warnings allowed), 1 a check failed, 2 bad usage.",
                 "TavroCheck");
    app.add_option("--time", options.seconds,
                   "SECONDS: longest wait for readiness and for any library call (default 10); the data "
                   "and unregister watches last at most 1 s")
        ->check(CLI::Range(0.1, 3600.0));
    app.add_option("--junit", options.junit, "FILE: write the results as JUnit XML");
    app.add_option("--json", options.json, "FILE: write the results as JSON");
    app.add_flag("--in-process", options.inProcess,
                 "check in TavroCheck's own process, for a debugger: a library that faults, ends the process or "
                 "hangs then ends or stalls the run, and no report is written");
    // Given by TavroCheck to the child process it checks a library in.
    app.add_option("--child", options.child)->group("");
    app.add_option("LIBRARY", options.libraries, "device libraries to check")->required();
    try {
        app.parse(argc, argv);
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
        m_out << FormatTable(results[m_printed]);
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
    m_out << results.size() << " of " << m_options.libraries.size() << " libraries checked, " << failedLibraries
          << " failed\n";
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
