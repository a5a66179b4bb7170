// The operator's answers, read from standard input a byte at a time, so that
// a process that ends leaves the answers meant for later libraries to the
// next. A read cut short by Ctrl+C is not the end of the input: on Windows 8
// and later a console read that Ctrl+C interrupts returns no bytes, and taken
// for the end it would answer yes to every later question.
#pragma once

#include <string>

// Where the bytes of the answers come from.
class I_ByteSource {
public:
    enum Result { kByte, kInterrupted, kEnd };
    virtual ~I_ByteSource() = default;
    virtual Result Read(char& byte) = 0;
};

// One line without its line end (a carriage return before the line feed goes
// too), as the C runtime's text mode reads it: the end of the input, or a
// Ctrl+Z, ends it, and every line after that is empty. An interrupted read
// is tried again.
std::string ReadAnswerLine(I_ByteSource& source);

// The process's standard input: on a console, a read that returns no bytes
// with ERROR_OPERATION_ABORTED was interrupted; any other read without a
// byte is the end.
class CStandardInput : public I_ByteSource {
public:
    CStandardInput();
    Result Read(char& byte) override;

private:
    bool m_isConsole;
    bool m_ended;
};
