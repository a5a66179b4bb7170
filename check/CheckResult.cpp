#include "check/CheckResult.h"

const char* VerdictName(CheckVerdict verdict)
{
    switch (verdict) {
    case CheckVerdict::Pass:
        return "pass";
    case CheckVerdict::Warning:
        return "warning";
    case CheckVerdict::Fail:
        return "fail";
    case CheckVerdict::Skipped:
        return "skipped";
    }
    return "?";
}

bool LibraryResults::Passed() const
{
    return Count(CheckVerdict::Fail) == 0;
}

int LibraryResults::Count(CheckVerdict verdict) const
{
    int count = 0;
    for (const CheckResult& check : checks)
        if (check.verdict == verdict)
            ++count;
    return count;
}
