#include "guard/ProcessEnd.h"

#include <cstdio>

namespace {

struct NamedCode {
    unsigned long code;
    const char* name;
};

const NamedCode kNames[] = {
    {0xC0000005ul, "access violation"},
    {0xC00000FDul, "stack overflow"},
    {0xC0000409ul, "fail-fast or stack buffer overrun"},
    {0xC0000374ul, "heap corruption"},
    {0xC000001Dul, "illegal instruction"},
    {0xC0000094ul, "integer division by zero"},
    {0xC0000096ul, "privileged instruction"},
    {0xC0000006ul, "in-page error"},
    {0xC000008Cul, "array bounds exceeded"},
    {0xC0000025ul, "noncontinuable exception"},
    {0xC0000602ul, "fail-fast"},
    {0xC000013Aul, "ended by Ctrl+C"},
};

}  // namespace

bool IsExceptionCode(unsigned long code)
{
    return (code & 0xC0000000ul) == 0xC0000000ul;
}

const char* ExceptionCodeName(unsigned long code)
{
    for (const NamedCode& named : kNames)
        if (named.code == code)
            return named.name;
    return nullptr;
}

std::string DescribeProcessEnd(unsigned long exitCode)
{
    char text[64];
    if (!IsExceptionCode(exitCode)) {
        std::snprintf(text, sizeof text, "exit code %lu", exitCode);
        return text;
    }
    std::snprintf(text, sizeof text, "exception 0x%08lX", exitCode);
    const char* const name = ExceptionCodeName(exitCode);
    return name ? std::string(text) + " (" + name + ")" : std::string(text);
}
