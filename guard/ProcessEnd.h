// What a process's exit code says about how it ended: an exception code
// (with its name, where it is a well-known one) or a plain exit code.
#pragma once

#include <string>

// True when code is an exception (NTSTATUS error) code, 0xC0000000 and up,
// as a process that ends through an unhandled exception or a fail-fast
// returns: not an exit code a program chooses.
bool IsExceptionCode(unsigned long code);

// The name of a well-known exception code ("access violation", "stack
// overflow", "fail-fast or stack buffer overrun", "heap corruption", ...),
// or null.
const char* ExceptionCodeName(unsigned long code);

// "exception 0xC0000005 (access violation)", "exception 0xC0001234", or
// "exit code 3".
std::string DescribeProcessEnd(unsigned long exitCode);
