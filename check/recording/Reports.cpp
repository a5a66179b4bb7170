#include "check/recording/Reports.h"

#include "check/recording/ReportText.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

std::string Upper(const char* word)
{
    std::string text(word);
    for (char& c : text)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return text;
}

std::string Format(const char* format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Attribute(const char* name, const std::string& value)
{
    return std::string(" ") + name + "=\"" + XmlEscape(AnsiToUtf8(value)) + "\"";
}

// The message with the rule a failure broke: "... (rule: ready)".
std::string Explained(const CheckResult& check)
{
    return check.rule.empty() ? check.message : check.message + " (rule: " + check.rule + ")";
}

std::string Attribute(const char* name, int value)
{
    return Attribute(name, std::to_string(value));
}

// The test suite name a CI reporter shows: the file name without folder,
// and the round when there are several.
std::string SuiteName(const LibraryResults& library)
{
    const std::string name = library.Name();
    const size_t slash = library.library.find_last_of("\\/");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string Testcase(const std::string& suite, const CheckResult& check)
{
    std::string xml = "    <testcase" + Attribute("classname", "TavroCheck." + suite) + Attribute("name", check.id) +
                      Attribute("time", Format("%.3f", check.seconds));
    const std::string message = XmlEscape(AnsiToUtf8(Explained(check)));
    switch (check.verdict) {
    case CheckVerdict::Fail:
        return xml + ">\n      <failure" + Attribute("message", Explained(check)) + " type=\"fail\">" + message +
               "</failure>\n    </testcase>\n";
    case CheckVerdict::Skipped:
        return xml + ">\n      <skipped" + Attribute("message", check.message) + "/>\n    </testcase>\n";
    case CheckVerdict::Warning:
        return xml + ">\n      <system-out>warning: " + message + "</system-out>\n    </testcase>\n";
    case CheckVerdict::Info:
        return xml + ">\n      <system-out>info: " + message + "</system-out>\n    </testcase>\n";
    case CheckVerdict::Pass:
        break;
    }
    return xml + ">\n      <system-out>" + message + "</system-out>\n    </testcase>\n";
}

}  // namespace

std::string FormatTable(const LibraryResults& library, bool quiet)
{
    std::string text = library.Name() + "\n";
    for (const CheckResult& check : library.checks) {
        if (quiet && (check.verdict == CheckVerdict::Pass || check.verdict == CheckVerdict::Info))
            continue;
        char line[64];
        std::snprintf(line, sizeof line, "  %-8s %-29s ", Upper(VerdictName(check.verdict)).c_str(), check.id.c_str());
        text += line + Explained(check) + "\n";
    }
    text += "  " + std::string(library.Passed() ? "PASSED" : "FAILED") + ": " +
            std::to_string(library.Count(CheckVerdict::Pass)) + " passed, " +
            std::to_string(library.Count(CheckVerdict::Info)) + " info, " +
            std::to_string(library.Count(CheckVerdict::Warning)) + " warnings, " +
            std::to_string(library.Count(CheckVerdict::Fail)) + " failed, " +
            std::to_string(library.Count(CheckVerdict::Skipped)) + " skipped (" +
            Format("%.1f", library.seconds) + " s)\n\n";
    return text;
}

std::string FormatJson(const std::vector<LibraryResults>& libraries, const std::string& architecture)
{
    nlohmann::json all = nlohmann::json::array();
    bool passed = true;
    for (const LibraryResults& library : libraries) {
        nlohmann::json checks = nlohmann::json::array();
        for (const CheckResult& check : library.checks)
            checks.push_back({{"id", check.id},
                              {"verdict", VerdictName(check.verdict)},
                              {"rule", check.rule},
                              {"message", AnsiToUtf8(check.message)},
                              {"seconds", check.seconds}});
        all.push_back({{"library", AnsiToUtf8(library.library)},
                       {"round", library.round},
                       {"passed", library.Passed()},
                       {"seconds", library.seconds},
                       {"checks", checks}});
        passed = passed && library.Passed();
    }
    const nlohmann::json report = {
        {"tool", "TavroCheck"}, {"architecture", architecture}, {"passed", passed}, {"libraries", all}};
    return report.dump(2) + "\n";
}

std::string FormatJunit(const std::vector<LibraryResults>& libraries)
{
    int tests = 0, failures = 0, skipped = 0;
    std::string suites;
    for (const LibraryResults& library : libraries) {
        const std::string suite = SuiteName(library);
        const int count = static_cast<int>(library.checks.size());
        suites += "  <testsuite" + Attribute("name", suite) + Attribute("tests", count) +
                  Attribute("failures", library.Count(CheckVerdict::Fail)) + Attribute("errors", 0) +
                  Attribute("skipped", library.Count(CheckVerdict::Skipped)) +
                  Attribute("time", Format("%.3f", library.seconds)) + ">\n";
        suites += "    <properties>\n      <property" + Attribute("name", "library") +
                  Attribute("value", library.library) + "/>\n    </properties>\n";
        for (const CheckResult& check : library.checks)
            suites += Testcase(suite, check);
        suites += "  </testsuite>\n";
        tests += count;
        failures += library.Count(CheckVerdict::Fail);
        skipped += library.Count(CheckVerdict::Skipped);
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + Attribute("name", "TavroCheck") +
           Attribute("tests", tests) + Attribute("failures", failures) + Attribute("errors", 0) +
           Attribute("skipped", skipped) + ">\n" + suites + "</testsuites>\n";
}

const char* BuildArchitecture()
{
    return sizeof(void*) == 8 ? "x86-64" : "i386";
}
