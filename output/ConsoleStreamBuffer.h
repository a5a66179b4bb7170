// A stream buffer that writes through CConsoleWriter, so that a program
// printing with std::ostream shows ANSI texts on a console as the characters
// they are. Text goes out line by line (and whatever is left on a flush), so
// a character is never cut in two between writes.
#pragma once

#include "output/ConsoleWriter.h"

#include <cstdio>
#include <streambuf>
#include <string>

class CConsoleStreamBuffer : public std::streambuf {
public:
    CConsoleStreamBuffer(FILE* stream, const CConsoleWriter& writer);
    ~CConsoleStreamBuffer() override;
    CConsoleStreamBuffer(const CConsoleStreamBuffer&) = delete;
    CConsoleStreamBuffer& operator=(const CConsoleStreamBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void WriteCompleteLines();

    FILE* m_stream;
    CConsoleWriter m_writer;
    std::string m_pending;
};
