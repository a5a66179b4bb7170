#include "check/checks/TextChecks.h"

#include "check/checks/GuardedBuffer.h"

#include <cstring>

namespace {

// The host's buffer size, and a size below most texts, where a library
// that truncates carelessly writes past the end.
const int32_t kHostSize = 256;
const int32_t kSmallSize = 4;
// What a lent buffer holds before the library writes.
const unsigned char kFillByte = 0xA5;
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
    const CGuardedBuffer buffer(size);
    std::memset(buffer.Data(), kFillByte, static_cast<size_t>(size));
    fill(buffer.Data(), size);
    size_t length = 0;
    while (length < static_cast<size_t>(size) && buffer.Data()[length] != '\0')
        ++length;
    GuardedText result;
    result.terminated = length < static_cast<size_t>(size);
    result.text.assign(buffer.Data(), length);
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

std::string CTextChecks::StableText(const TextFill& fill, const std::string& key, bool mayBeEmpty,
                                    std::string& text)
{
    const GuardedText first = ReadGuardedText(fill, kHostSize);
    const GuardedText second = ReadGuardedText(fill, kHostSize);
    text = first.text;
    if (!first.terminated)
        return "no NUL within the " + std::to_string(kHostSize) + "-byte buffer";
    if (first.text.empty() && !mayBeEmpty)
        return "empty";
    const auto guarded = m_guardReadings.find(key);
    if (guarded != m_guardReadings.end() && guarded->second.terminated && guarded->second.text != first.text)
        return Quoted(guarded->second.text) + " on the first call, " + Quoted(first.text) + " on a later one";
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
        StableText([&](char* buffer, int32_t size) { m_calls.GetDeviceName(buffer, size); }, "name", false, name);
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
            what + std::to_string(i), units, text);
        if (!problem.empty())
            problems.Add(Component(i) + " " + what + ": " + problem);
    }
    return problems.Outcome(std::to_string(count) + (units ? " units" : " names") +
                            ", each NUL-terminated and the same twice");
}

void CTextChecks::LendBoth(const TextFill& fill, const std::string& key)
{
    m_guardReadings[key] = ReadGuardedText(fill, kHostSize);
    ReadGuardedText(fill, kSmallSize);
}

CheckOutcome CTextChecks::BufferGuard(int32_t count)
{
    // A write past a lent buffer faults at once (and ends a checking child,
    // whose parent names the buffer): returning is passing. The texts read
    // here are the first readings, which the text checks compare theirs to.
    LendBoth([&](char* buffer, int32_t size) { m_calls.GetDeviceName(buffer, size); }, "name");
    for (int32_t i = 0; i < count; ++i) {
        LendBoth([&](char* buffer, int32_t size) { m_calls.GetComponentName(i, buffer, size); },
                 "name" + std::to_string(i));
        LendBoth([&](char* buffer, int32_t size) { m_calls.GetComponentUnits(i, buffer, size); },
                 "units" + std::to_string(i));
    }
    const int32_t texts = 1 + 2 * (count > 0 ? count : 0);
    return {CheckVerdict::Pass, "nothing written past buffers of " + std::to_string(kHostSize) + " and " +
                                    std::to_string(kSmallSize) + " bytes (" + std::to_string(texts) + " texts)"};
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
