// Captures what the output functions write: the console stream and the log
// are redirected to temporary text-mode files for the lifetime of the object.
#pragma once

#include <cstdio>
#include <string>

class OutputCapture {
public:
    // With openLog false, the log stays closed while capturing.
    explicit OutputCapture(bool openLog = true);
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Everything written so far, as the bytes on disk (CR LF line ends).
    std::string Console() const;
    std::string Log() const;

private:
    std::string m_consoleName;
    std::string m_logName;
    FILE* m_console;
    FILE* m_log;
};

// Text with every "\n" turned into "\r\n", as a text-mode stream stores it.
std::string Crlf(const std::string& text);

// The whole content of a file, read in binary mode.
std::string ReadFileBytes(const std::string& path);
