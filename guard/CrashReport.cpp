#include "guard/CrashReport.h"

#include "guard/ProcessEnd.h"

#include <cstring>

namespace {

std::size_t Append(char* buffer, std::size_t size, std::size_t length, const char* text)
{
    while (*text && length + 1 < size)
        buffer[length++] = *text++;
    buffer[length] = '\0';
    return length;
}

std::size_t AppendHex(char* buffer, std::size_t size, std::size_t length, unsigned long code)
{
    char hex[11] = "0x00000000";
    const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < 8; ++i)
        hex[9 - i] = digits[(code >> (4 * i)) & 0xF];
    return Append(buffer, size, length, hex);
}

std::size_t AppendDecimal(char* buffer, std::size_t size, std::size_t length, unsigned long value)
{
    char digits[24];
    char* start = digits + sizeof digits - 1;
    *start = '\0';
    do {
        *--start = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    return Append(buffer, size, length, start);
}

}  // namespace

std::string ChildEndReport(const CChildFacts& facts, unsigned long exitCode)
{
    std::string text(2 * kSharedPathChars + 160, '\0');
    std::size_t length = 0;
    const char* const tested = facts.TestedLibrary();
    if (!facts.IsUsable()) {
        length = Append(&text[0], text.size(), 0, "ERROR: the search process ended with exit code ");
        length = AppendDecimal(&text[0], text.size(), length, exitCode);
        length = Append(&text[0], text.size(), length, " and left no usable state\n");
    } else if (facts.HasFault()) {
        length = FormatCrashReport(facts.FaultCode(), facts.FaultingLibrary(), tested, &text[0], text.size());
    } else if (IsExceptionCode(exitCode)) {
        length = FormatCrashReport(exitCode, nullptr, tested, &text[0], text.size());
    } else if (const char* const library = facts.EndingLibrary()) {
        length = FormatProcessEndReport(library, exitCode, &text[0], text.size());
        // Another library's thread ended the process during this one's test.
        if (tested && std::strcmp(tested, library) != 0) {
            length = Append(&text[0], text.size(), length - 1, " while testing Tavro device library ");
            length = Append(&text[0], text.size(), length, tested);
            length = Append(&text[0], text.size(), length, "\n");
        }
    } else {
        length = Append(&text[0], text.size(), 0, "ERROR: the search process ended with exit code ");
        length = AppendDecimal(&text[0], text.size(), length, exitCode);
        length = Append(&text[0], text.size(), length, "\n");
    }
    text.resize(length);
    return text;
}

std::size_t FormatCrashReport(unsigned long code, const char* faultingLibrary, const char* testedLibrary,
                              char* buffer, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t length = Append(buffer, size, 0, "ERROR: unhandled exception ");
    length = AppendHex(buffer, size, length, code);
    if (faultingLibrary) {
        length = Append(buffer, size, length, " in Tavro device library ");
        length = Append(buffer, size, length, faultingLibrary);
    }
    if (testedLibrary) {
        length = Append(buffer, size, length, " while testing Tavro device library ");
        length = Append(buffer, size, length, testedLibrary);
    }
    return Append(buffer, size, length, "\n");
}

std::size_t FormatProcessEndReport(const char* libraryPath, unsigned long exitCode, char* buffer,
                                   std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t length = Append(buffer, size, 0, "ERROR: Tavro device library ");
    length = Append(buffer, size, length, libraryPath ? libraryPath : "");
    length = Append(buffer, size, length, " ended the process with exit code ");
    length = AppendDecimal(buffer, size, length, exitCode);
    return Append(buffer, size, length, "\n");
}
