// The checks TavroCheck makes, in the order it makes and reports them, each
// with the rule of TavroDeviceLibrary.h it holds a library to, the verdicts
// it can give, and the checks that must have passed (or warned) before it
// can run: those whose results, or whose state of the library, it builds on.
// The texts are read only from a library that stays within its buffers.
//
// A run may leave checks out (--only, --skip): the catalogue then holds the
// checks chosen and every check they need, less those --skip names.
#pragma once

#include <set>
#include <string>
#include <vector>

struct CheckInfo {
    const char* id;
    // The tag of the rule in TavroDeviceLibrary.h that a failure breaks;
    // "" for a check that reports what the interface leaves open and never
    // fails.
    const char* rule;
    const char* text;      // one line: what a library must do to pass
    const char* verdicts;  // the verdicts the check gives, e.g. "pass, fail"
    std::vector<std::string> prerequisites;
};

// The rule every library call is held to: it returns (no fault, no
// exception, no end of the process, no hang).
extern const char kCallsRule[];

// Every check TavroCheck knows, chosen or not.
const std::vector<CheckInfo>& FullCatalogue();

// The checks of this run.
const std::vector<CheckInfo>& CheckCatalogue();

// Chooses the checks of this run: those matching a pattern of only (every
// check when only is empty) and their prerequisites, less those matching a
// pattern of skip. A pattern is an id, or an id with * (any text) and ?
// (one character): data.*. Returns false, naming the first pattern that
// matches no check in unmatched, and leaves the catalogue as it was.
bool ChooseChecks(const std::vector<std::string>& only, const std::vector<std::string>& skip,
                  std::string& unmatched);

// Does the check of that id match a pattern given as in ChooseChecks?
bool MatchesPattern(const std::string& pattern, const std::string& id);

// The catalogue entry of id in this run, or null.
const CheckInfo* FindCheck(const std::string& id);

// The place of id in the catalogue (the order checks run in); the
// catalogue's size for an unknown id.
size_t CataloguePosition(const std::string& id);

// The check after the last of ids in catalogue order: the first check when
// ids is empty, "" when none follows.
std::string FirstCheckAfter(const std::set<std::string>& ids);
