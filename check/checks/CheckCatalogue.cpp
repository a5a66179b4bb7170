#include "check/checks/CheckCatalogue.h"

#include <algorithm>

const char kCallsRule[] = "calls";

namespace {

const char kRequired[] = "exports.required";
const char kLoad[] = "load.library";
const char kCount[] = "description.count";
const char kBufferGuard[] = "texts.buffer_guard";
const char kTypes[] = "description.types";
const char kReady[] = "readiness.callback";
const char kLastData[] = "data.last_data";
const char kCountVsGetData[] = "data.count_vs_getdata";
const char kCycles[] = "acquisition.cycles";

const char kPassFail[] = "pass, fail";

std::vector<CheckInfo>& Chosen()
{
    static std::vector<CheckInfo> chosen = FullCatalogue();
    return chosen;
}

bool MatchesAny(const std::vector<std::string>& patterns, const std::string& id)
{
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& pattern) { return MatchesPattern(pattern, id); });
}

const CheckInfo* FindIn(const std::vector<CheckInfo>& checks, const std::string& id)
{
    for (const CheckInfo& check : checks)
        if (id == check.id)
            return &check;
    return nullptr;
}

// Adds id and, first, every check it needs, unless skipped.
void AddWithPrerequisites(const std::string& id, const std::vector<std::string>& skip, std::set<std::string>& run)
{
    if (run.count(id) || MatchesAny(skip, id))
        return;
    run.insert(id);
    for (const std::string& needed : FindIn(FullCatalogue(), id)->prerequisites)
        AddWithPrerequisites(needed, skip, run);
}

}  // namespace

const std::vector<CheckInfo>& FullCatalogue()
{
    static const std::vector<CheckInfo> checks = {
        {kRequired, "exports", "the 13 required Tavro_ functions are exported, undecorated", kPassFail, {}},
        {"exports.version", "exports",
         "Tavro_GetDeviceLibraryVersion is exported, undecorated (optional: absent is a warning)",
         "pass, warning, fail", {}},
        {"exports.unknown", "", "no other Tavro_ export (one the interface does not know is a warning)",
         "pass, warning", {}},
        {kLoad, "load", "LoadLibrary loads the file", kPassFail, {}},
        {kCount, "description", "the component count is >= 0 and the same on every call", kPassFail,
         {kRequired, kLoad}},
        {kBufferGuard, "buffers", "no text function writes past the buffer size it is given (sizes 256 and 4)",
         kPassFail, {kRequired, kLoad}},
        {"texts.device_name", "texts",
         "the device name is not empty, NUL-terminated within the buffer size and the same on every call",
         kPassFail, {kBufferGuard}},
        {"texts.component_names", "texts",
         "each component name is not empty, NUL-terminated within the buffer size and the same on every call",
         kPassFail, {kCount, kBufferGuard}},
        {"texts.units", "texts",
         "each component's units are NUL-terminated within the buffer size and the same on every call",
         kPassFail, {kCount, kBufferGuard}},
        {kTypes, "description", "every component's data type is 1 to 7 and the same on every call", kPassFail,
         {kCount}},
        {"description.precision", "description", "every component's precision is >= 0 and the same on every call",
         kPassFail, {kCount}},
        {kReady, "ready",
         "after Tavro_SetCallbackInfo and Tavro_PrepareExperiment the callback reports 1 within the bound",
         "pass, warning, fail", {kRequired, kLoad}},
        {kLastData, "records",
         "after Tavro_StartExperiment Tavro_GetLastData returns records (NULL only before the first), with "
         "values while there are components",
         kPassFail, {kReady, kTypes}},
        {kCountVsGetData, "records",
         "reports what Tavro_GetAvailableDataCount counts and what Tavro_GetData returns with nothing "
         "available (left open); a record Tavro_GetData returns has values",
         "info, warning, fail", {kReady, kTypes}},
        {"data.times_monotonic", "",
         "acquisition times do not go backwards (not a rule: a clock set back moves UTC time back)",
         "pass, warning", {kLastData, kCountVsGetData}},
        {"data.strings", "records", "String values are non-null and NUL-terminated within 65536 bytes", kPassFail,
         {kLastData, kCountVsGetData}},
        {kCycles, "ready",
         "prepare, start, poll and stop 10 times in one load: state 1 and a record every time", kPassFail,
         {kReady, kLastData}},
        {"acquisition.soak", "bounded",
         "an acquisition polled 10 times a second for --soak seconds: private bytes, handles and threads do "
         "not grow steadily",
         "pass, info, fail", {kCycles}},
        {"acquisition.poll_time", "",
         "reports the median and longest Tavro_GetLastData call; over 10 ms (a tenth of the host's poll "
         "interval) is a warning",
         "info, warning", {kLastData}},
        {"unregister.no_callback_after", "callback",
         "no callback arrives after Tavro_SetCallbackInfo(NULL, NULL) has returned", kPassFail, {kRequired, kLoad}},
        {"unload.threads", "unload", "no thread started while the library was loaded still runs after FreeLibrary",
         kPassFail, {kLoad}},
        {"unload.timers", "unload", "no window timer or window of the library is left after FreeLibrary",
         kPassFail, {kLoad}},
        {"unload.twice", "unload",
         "load, describe and unload work twice more, with the same description, leaving the library unmapped",
         kPassFail, {kRequired, kLoad}},
    };
    return checks;
}

const std::vector<CheckInfo>& CheckCatalogue()
{
    return Chosen();
}

bool MatchesPattern(const std::string& pattern, const std::string& id)
{
    // Classic wildcard matching, remembering the last * to fall back to.
    size_t p = 0, i = 0, star = std::string::npos, mark = 0;
    while (i < id.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == id[i])) {
            ++p;
            ++i;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = i;
        } else if (star != std::string::npos) {
            p = star + 1;
            i = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool ChooseChecks(const std::vector<std::string>& only, const std::vector<std::string>& skip, std::string& unmatched)
{
    std::vector<std::string> patterns(only);
    patterns.insert(patterns.end(), skip.begin(), skip.end());
    for (const std::string& pattern : patterns) {
        const bool any = std::any_of(FullCatalogue().begin(), FullCatalogue().end(),
                                     [&](const CheckInfo& check) { return MatchesPattern(pattern, check.id); });
        if (!any) {
            unmatched = pattern;
            return false;
        }
    }
    std::set<std::string> run;
    for (const CheckInfo& check : FullCatalogue())
        if (only.empty() || MatchesAny(only, check.id))
            AddWithPrerequisites(check.id, skip, run);
    Chosen().clear();
    for (const CheckInfo& check : FullCatalogue())
        if (run.count(check.id))
            Chosen().push_back(check);
    return true;
}

const CheckInfo* FindCheck(const std::string& id)
{
    return FindIn(CheckCatalogue(), id);
}

size_t CataloguePosition(const std::string& id)
{
    const std::vector<CheckInfo>& checks = CheckCatalogue();
    for (size_t i = 0; i < checks.size(); ++i)
        if (id == checks[i].id)
            return i;
    return checks.size();
}

std::string FirstCheckAfter(const std::set<std::string>& ids)
{
    size_t first = 0;
    for (const std::string& id : ids)
        first = std::max(first, CataloguePosition(id) + 1);
    return first < CheckCatalogue().size() ? CheckCatalogue()[first].id : std::string();
}
