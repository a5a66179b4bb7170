#include "check/recording/CheckResult.h"

const char* VerdictName(CheckVerdict verdict)
{
    switch (verdict) {
    case CheckVerdict::Pass:
        return "pass";
    case CheckVerdict::Info:
        return "info";
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

bool Passing(CheckVerdict verdict)
{
    return verdict == CheckVerdict::Pass || verdict == CheckVerdict::Info || verdict == CheckVerdict::Warning;
}

std::string LibraryResults::Name() const
{
    if (rounds <= 1)
        return library;
    return library + " (round " + std::to_string(round) + " of " + std::to_string(rounds) + ")";
}
