#include "guard/CrashReport.h"

#include "guard/DeviceLibraryRegistry.h"
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

const char* TestedLibrary(const SharedRunState& state)
{
    return state.testing.load() ? state.libraryUnderTest : nullptr;
}

// The library whose code faulted, or else the one that started the faulting
// thread (a fault inside a system DLL or the C runtime, called from the
// library's own thread); null when neither is a device library, or when it
// is the library under test.
const char* FaultingLibrary(const SharedRunState& state)
{
    const LibraryEntry* culprit = FindDeviceLibrary(state.libraries, state.fault.address.load());
    if (!culprit)
        culprit = FindDeviceLibrary(state.libraries, state.fault.threadStart.load());
    if (!culprit || (state.testing.load() && culprit->base.load() == state.moduleUnderTest.load()))
        return nullptr;
    return culprit->path;
}

// Who ended the process: the library whose thread called ExitProcess, or
// else the library under test, or else the library loaded last (what it left
// behind); null when none was loaded.
const char* EndingLibrary(const SharedRunState& state)
{
    if (state.exit.seen.load())
        if (const LibraryEntry* const owner = FindDeviceLibrary(state.libraries, state.exit.threadStart.load()))
            return owner->path;
    if (const char* const tested = TestedLibrary(state))
        return tested;
    const LibraryEntry* const last = LastDeviceLibrary(state.libraries);
    return last ? last->path : nullptr;
}

}  // namespace

std::string ChildEndReport(const SharedRunState& state, unsigned long exitCode)
{
    std::string text(2 * kSharedPathChars + 160, '\0');
    std::size_t length = 0;
    if (state.fault.taken.load()) {
        length = FormatCrashReport(state.fault.code.load(), FaultingLibrary(state), TestedLibrary(state), &text[0],
                                   text.size());
    } else if (IsExceptionCode(exitCode)) {
        length = FormatCrashReport(exitCode, nullptr, TestedLibrary(state), &text[0], text.size());
    } else if (const char* const library = EndingLibrary(state)) {
        length = FormatProcessEndReport(library, exitCode, &text[0], text.size());
        // Another library's thread ended the process during this one's test.
        const char* const tested = TestedLibrary(state);
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
