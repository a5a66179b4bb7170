// Where the unit tests find the fixture device libraries built beside them,
// and the trace those libraries write of the calls they receive.
#pragma once

#include <string>
#include <vector>

// Full Windows path of build/<preset>/fixtures/<name>.dll.
std::string FixturePath(const std::string& name);

// Makes every fixture loaded from now on trace its calls into a fresh file,
// for the lifetime of the object.
class FixtureTrace {
public:
    FixtureTrace();
    ~FixtureTrace();
    FixtureTrace(const FixtureTrace&) = delete;
    FixtureTrace& operator=(const FixtureTrace&) = delete;

    // The lines written so far, each "<file base name> <call> [arguments]".
    std::vector<std::string> Lines() const;

private:
    std::string m_path;
};
