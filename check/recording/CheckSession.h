// One run of TavroCheck: the command line, the tables printed as each
// library is done, the report files and the exit code.
#pragma once

#include "check/recording/CheckRecorder.h"

#include <ostream>
#include <string>
#include <vector>

struct CheckOptions {
    double seconds = 10;
    double soak = 5;                // the long acquisition
    std::string junit;
    std::string json;
    std::string trace;              // every library call, one line each
    std::vector<std::string> only;  // patterns of the checks to make
    std::vector<std::string> skip;  // patterns of the checks to leave out
    int repeat = 1;                 // rounds of every check, each in fresh loads
    bool quiet = false;             // tables show only what did not pass
    std::vector<std::string> libraries;
    bool inProcess = false;  // every library in this process, for debugging
    std::string child;       // set in a checking child: what its parent shares with it

    // The options a checking child needs to make the same checks.
    std::string ChildOptions() const;
};

// Parses the command line and chooses the checks. Returns -1 to go on, or
// the exit code to end with: 0 after --help or --list, 2 after bad usage
// (message and usage text on err).
int ParseCommandLine(int argc, char** argv, CheckOptions& options, std::ostream& out, std::ostream& err);

class CCheckSession {
public:
    CCheckSession(const CheckOptions& options, const CCheckRecorder& recorder, std::ostream& out);

    // Prints the table of every library finished since the last call.
    void PrintFinished();
    // Prints what is left, writes the report files and returns the exit
    // code: 0 when every check passed, 1 otherwise.
    int Finish();

private:
    bool WriteFile(const std::string& path, const std::string& text);

    const CheckOptions& m_options;
    const CCheckRecorder& m_recorder;
    std::ostream& m_out;
    size_t m_printed;
};
