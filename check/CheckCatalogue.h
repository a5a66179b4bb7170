// The checks TavroCheck makes, in the order it makes and reports them, each
// with the checks that must have passed (or warned) before it can run.
#pragma once

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
