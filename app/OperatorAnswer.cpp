#include "app/OperatorAnswer.h"

#include <boost/algorithm/string/trim.hpp>

#include <locale>

void NormaliseAnswer(std::string& answer)
{
    boost::algorithm::trim(answer, std::locale());
}

bool IsYes(const std::string& answer)
{
    return answer.empty() || answer == "Y" || answer == "y";
}

uint32_t AcquisitionMilliseconds(const std::string& answer)
{
    std::string::size_type position = 0;
    // atoi skips leading white space (the C locale's space class).
    while (position < answer.size() && std::string(" \t\n\v\f\r").find(answer[position]) != std::string::npos)
        ++position;
    bool negative = false;
    if (position < answer.size() && (answer[position] == '+' || answer[position] == '-')) {
        negative = answer[position] == '-';
        ++position;
    }
    uint32_t seconds = 0;
    for (; position < answer.size() && answer[position] >= '0' && answer[position] <= '9'; ++position) {
        const uint32_t digit = static_cast<uint32_t>(answer[position] - '0');
        if (seconds > (kMaxAcquisitionSeconds - digit) / 10) {
            seconds = kMaxAcquisitionSeconds;
            break;
        }
        seconds = seconds * 10 + digit;
    }
    if (negative)
        return 0;
    return seconds * 1000u;
}
