#include "FixtureLibraries.h"

#include "OutputCapture.h"
#include "output/ModulePath.h"

#include <windows.h>

#include <sstream>

std::string FixturePath(const std::string& name)
{
    // The unit test program is build/<preset>/tests/unit/; the fixtures are
    // in build/<preset>/fixtures/.
    const std::string relative = FolderOfPath(GetProgramFilePath()) + "..\\..\\fixtures\\" + name + ".dll";
    char full[MAX_PATH * 4] = "";
    GetFullPathNameA(relative.c_str(), sizeof full, full, nullptr);
    return full;
}

FixtureTrace::FixtureTrace()
{
    char folder[MAX_PATH + 1] = "";
    char name[MAX_PATH + 1] = "";
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "trc", 0, name);
    m_path = name;
    SetEnvironmentVariableA("TAVRO_FIXTURE_TRACE", m_path.c_str());
}

FixtureTrace::~FixtureTrace()
{
    SetEnvironmentVariableA("TAVRO_FIXTURE_TRACE", nullptr);
    DeleteFileA(m_path.c_str());
}

std::vector<std::string> FixtureTrace::Lines() const
{
    std::vector<std::string> lines;
    std::istringstream text(ReadFileBytes(m_path));
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}
