#include "check/TextChecks.h"

#include <vector>

namespace {

// The host's buffer size, and a size below most texts, where a library
// that truncates carelessly writes past the end.
const int32_t kHostSize = 256;
const int32_t kSmallSize = 4;
const int32_t kGuardSize = 64;
const unsigned char kGuardByte = 0xA5;
// Problems listed in one message, at most.
const size_t kMaxListed = 3;

// Collects per-item problems into one outcome.
class CProblems {
public:
    void Add(const std::string& problem)
    {
        if (m_count++ < kMaxListed)
            m_text += (m_text.empty() ? "" : "; ") + problem;
    }
    CheckOutcome Outcome(const std::string& passMessage) const
    {
        if (m_count == 0)
            return {CheckVerdict::Pass, passMessage};
        const std::string more = m_count > kMaxListed ? " (and " + std::to_string(m_count - kMaxListed) + " more)" : "";
        return {CheckVerdict::Fail, m_text + more};
    }

private:
    std::string m_text;
    size_t m_count = 0;
};

std::string Component(int32_t index)
{
    return "component " + std::to_string(index);
}

}  // namespace

GuardedText ReadGuardedText(const TextFill& fill, int32_t size)
{
    std::vector<char> buffer(static_cast<size_t>(size + kGuardSize), static_cast<char>(kGuardByte));
    fill(buffer.data(), size);
    GuardedText result;
    result.terminated = false;
    result.overrunBytes = 0;
    size_t length = 0;
    while (length < static_cast<size_t>(size) && buffer[length] != '\0')
        ++length;
    result.terminated = length < static_cast<size_t>(size);
    result.text.assign(buffer.data(), length);
    for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i)
        if (static_cast<unsigned char>(buffer[i]) != kGuardByte)
            ++result.overrunBytes;
    return result;
}

std::string Quoted(const std::string& text)
{
    const size_t kShown = 60;
    return "\"" + text.substr(0, kShown) + (text.size() > kShown ? "...\"" : "\"");
}

CTextChecks::CTextChecks(CLibraryCalls& calls) : m_calls(calls)
{
}

std::string CTextChecks::StableText(const TextFill& fill, bool mayBeEmpty, std::string& text)
{
    const GuardedText first = ReadGuardedText(fill, kHostSize);
    const GuardedText second = ReadGuardedText(fill, kHostSize);
    text = first.text;
    if (!first.terminated)
        return "no NUL within the " + std::to_string(kHostSize) + "-byte buffer";
    if (first.text.empty() && !mayBeEmpty)
        return "empty";
    if (second.text != first.text || !second.terminated)
        return Quoted(first.text) + " on the first call, " + Quoted(second.text) + " on the second";
    return std::string();
}

CheckOutcome CTextChecks::Count(Description& description)
{
    const int32_t first = m_calls.GetNumberOfComponents();
    const int32_t second = m_calls.GetNumberOfComponents();
    description.count = first;
    if (first < 0)
        return {CheckVerdict::Fail, "count " + std::to_string(first) + " is negative"};
    if (second != first)
        return {CheckVerdict::Fail, "count " + std::to_string(first) + ", then " + std::to_string(second)};
    return {CheckVerdict::Pass, std::to_string(first) + " components"};
}

CheckOutcome CTextChecks::DeviceName(Description& description)
{
    std::string name;
    const std::string problem =
        StableText([&](char* buffer, int32_t size) { m_calls.GetDeviceName(buffer, size); }, false, name);
    description.name = name;
    if (!problem.empty())
        return {CheckVerdict::Fail, "device name: " + problem};
    return {CheckVerdict::Pass, Quoted(name) + " (" + std::to_string(name.size()) + " characters)"};
}

CheckOutcome CTextChecks::ComponentNames(int32_t count)
{
    return ComponentTexts(count, false);
}

CheckOutcome CTextChecks::Units(int32_t count)
{
    return ComponentTexts(count, true);
}

CheckOutcome CTextChecks::ComponentTexts(int32_t count, bool units)
{
    const char* what = units ? "units" : "name";
    CProblems problems;
    for (int32_t i = 0; i < count; ++i) {
        std::string text;
        const std::string problem = StableText(
            [&](char* buffer, int32_t size) {
                if (units)
                    m_calls.GetComponentUnits(i, buffer, size);
                else
                    m_calls.GetComponentName(i, buffer, size);
            },
            units, text);
        if (!problem.empty())
            problems.Add(Component(i) + " " + what + ": " + problem);
    }
    return problems.Outcome(std::to_string(count) + (units ? " units" : " names") +
                            ", each NUL-terminated and the same twice");
}

std::string CTextChecks::Overrun(const TextFill& fill, const std::string& what)
{
    for (int32_t size : {kHostSize, kSmallSize}) {
        const GuardedText read = ReadGuardedText(fill, size);
        if (read.overrunBytes > 0)
            return what + " changed " + std::to_string(read.overrunBytes) + " byte(s) past a buffer of " +
                   std::to_string(size) + " bytes";
    }
    return std::string();
}

CheckOutcome CTextChecks::BufferGuard(int32_t count)
{
    CProblems problems;
    const std::string name =
        Overrun([&](char* buffer, int32_t size) { m_calls.GetDeviceName(buffer, size); }, "Tavro_GetDeviceName");
    if (!name.empty())
        problems.Add(name);
    for (int32_t i = 0; i < count; ++i) {
        const std::string index = "(" + std::to_string(i) + ")";
        const std::string componentName = Overrun(
            [&](char* buffer, int32_t size) { m_calls.GetComponentName(i, buffer, size); },
            "Tavro_GetComponentName" + index);
        if (!componentName.empty())
            problems.Add(componentName);
        const std::string units = Overrun(
            [&](char* buffer, int32_t size) { m_calls.GetComponentUnits(i, buffer, size); },
            "Tavro_GetComponentUnits" + index);
        if (!units.empty())
            problems.Add(units);
    }
    return problems.Outcome("nothing written past buffers of " + std::to_string(kHostSize) + " and " +
                            std::to_string(kSmallSize) + " bytes (" + std::to_string(1 + 2 * count) + " texts)");
}

CheckOutcome CTextChecks::Types(int32_t count)
{
    CProblems problems;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t type = m_calls.GetComponentDataType(i);
        const int32_t again = m_calls.GetComponentDataType(i);
        if (type < TavroData_UnsignedLongLong || type > TavroData_String)
            problems.Add(Component(i) + ": data type " + std::to_string(type) + " is not 1 to 7");
        else if (again != type)
            problems.Add(Component(i) + ": data type " + std::to_string(type) + ", then " + std::to_string(again));
    }
    return problems.Outcome(std::to_string(count) + " data types, each 1 to 7");
}

CheckOutcome CTextChecks::Precisions(int32_t count)
{
    CProblems problems;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t precision = m_calls.GetComponentDataPrecision(i);
        const int32_t again = m_calls.GetComponentDataPrecision(i);
        if (precision < 0)
            problems.Add(Component(i) + ": precision " + std::to_string(precision) + " is negative");
        else if (again != precision)
            problems.Add(Component(i) + ": precision " + std::to_string(precision) + ", then " +
                         std::to_string(again));
    }
    return problems.Outcome(std::to_string(count) + " precisions, each >= 0");
}
