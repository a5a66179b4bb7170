// The text and description checks: device name, component names and units
// read through guarded buffers, the component count, data types and
// precisions, each read more than once to see that it does not change.
#pragma once

#include "check/checks/LibraryCalls.h"
#include "check/recording/CheckRecorder.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

// What a library wrote into a buffer of `size` bytes that ends right before
// a no-access page (CGuardedBuffer): a write past the size faults.
struct GuardedText {
    std::string text;     // up to the first NUL within the size, or all of it
    bool terminated;      // a NUL within the size
};

typedef std::function<void(char* buffer, int32_t size)> TextFill;

GuardedText ReadGuardedText(const TextFill& fill, int32_t size);

// A text for a message: quoted, cut to 60 characters.
std::string Quoted(const std::string& text);

// The description as the first pass read it, for comparisons later.
struct Description {
    std::string name;
    int32_t count = -1;
};

class CTextChecks {
public:
    explicit CTextChecks(CLibraryCalls& calls);

    CheckOutcome Count(Description& description);
    CheckOutcome DeviceName(Description& description);
    CheckOutcome ComponentNames(int32_t count);
    CheckOutcome Units(int32_t count);
    CheckOutcome BufferGuard(int32_t count);
    CheckOutcome Types(int32_t count);
    CheckOutcome Precisions(int32_t count);

private:
    // Component names (units false, never empty) or units (may be empty).
    CheckOutcome ComponentTexts(int32_t count, bool units);
    // Problems of reading one text twice at the host's buffer size, and
    // against the reading of BufferGuard under key; "" if none.
    std::string StableText(const TextFill& fill, const std::string& key, bool mayBeEmpty, std::string& text);
    // Lends buffers of the host's size and of a small one to fill; keeps
    // the first reading under key.
    void LendBoth(const TextFill& fill, const std::string& key);

    CLibraryCalls& m_calls;
    std::map<std::string, GuardedText> m_guardReadings;
};
