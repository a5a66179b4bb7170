// The checks TavroCheck makes, in the order it makes and reports them, each
// with the checks that must have passed (or warned) before it can run: those
// whose results, or whose state of the library, it builds on. The texts are
// read only from a library that stays within its buffers.
#pragma once

#include <set>
#include <string>
#include <vector>

struct CheckInfo {
    const char* id;
    const char* rule;  // one line: what a library must do to pass
    std::vector<std::string> prerequisites;
};

const std::vector<CheckInfo>& CheckCatalogue();

// The catalogue entry of id, or null.
const CheckInfo* FindCheck(const std::string& id);

// The place of id in the catalogue (the order checks run in); the
// catalogue's size for an unknown id.
size_t CataloguePosition(const std::string& id);

// The check after the last of ids in catalogue order: the first check when
// ids is empty, "" when none follows.
std::string FirstCheckAfter(const std::set<std::string>& ids);
