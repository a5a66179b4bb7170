// One run of TavroCheck: the command line, the tables printed as each
// library is done, the report files and the exit code.
#pragma once

#include "check/CheckRecorder.h"

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

struct CheckOptions {
    double seconds = 10;
    std::string junit;
    std::string json;
    std::vector<std::string> libraries;
};

// Parses the command line. Returns -1 to go on, or the exit code to end
// with: 0 after --help, 2 after bad usage (message and usage text on err).
int ParseCommandLine(int argc, char** argv, CheckOptions& options, std::ostream& out, std::ostream& err);

class CCheckSession {
public:
    CCheckSession(const CheckOptions& options, const CCheckRecorder& recorder, std::ostream& out);

    // Prints the table of every library finished since the last call.
    void PrintFinished();
    // Prints what is left, the note (if any), writes the report files and
    // returns the exit code: 0 when every check passed, 1 otherwise. Only
    // the first call does anything; a later one (from another thread) waits
    // for it and returns 1.
    int Finish(const std::string& note);

private:
    bool WriteFile(const std::string& path, const std::string& text);

    const CheckOptions& m_options;
    const CCheckRecorder& m_recorder;
    std::ostream& m_out;
    std::mutex m_mutex;
    size_t m_printed;
    bool m_finished;
};
