#include "check/CheckCatalogue.h"

#include <algorithm>

namespace {

const char kRequired[] = "exports.required";
const char kLoad[] = "load.library";
const char kCount[] = "description.count";
const char kBufferGuard[] = "texts.buffer_guard";
const char kLastData[] = "data.last_data";
const char kCountVsGetData[] = "data.count_vs_getdata";

}  // namespace

const std::vector<CheckInfo>& CheckCatalogue()
{
    static const std::vector<CheckInfo> checks = {
        {kRequired, "the 13 required Tavro_ functions are exported, undecorated", {}},
        {"exports.version", "Tavro_GetDeviceLibraryVersion is exported, undecorated (optional: absent is a warning)", {}},
        {"exports.unknown", "no other Tavro_ export (one the interface does not know is a warning)", {}},
        {kLoad, "LoadLibrary loads the file", {}},
        {kCount, "the component count is >= 0 and the same on every call", {kRequired, kLoad}},
        {kBufferGuard, "no text function writes past the buffer size it is given (sizes 256 and 4)", {kRequired, kLoad}},
        {"texts.device_name", "the device name is not empty, NUL-terminated within the buffer size and the same on every call", {kBufferGuard}},
        {"texts.component_names", "each component name is not empty, NUL-terminated within the buffer size and the same on every call", {kCount, kBufferGuard}},
        {"texts.units", "each component's units are NUL-terminated within the buffer size and the same on every call", {kCount, kBufferGuard}},
        {"description.types", "every component's data type is 1 to 7 and the same on every call", {kCount}},
        {"description.precision", "every component's precision is >= 0 and the same on every call", {kCount}},
        {"readiness.callback", "after Tavro_SetCallbackInfo and Tavro_PrepareExperiment the callback reports 1 within the bound", {kRequired, kLoad}},
        {kLastData, "after Tavro_StartExperiment Tavro_GetLastData returns records, with values while there are components", {"readiness.callback", "description.types"}},
        {kCountVsGetData, "after a stop, each Tavro_GetData gives a record and lowers Tavro_GetAvailableDataCount by one", {"readiness.callback", "description.types"}},
        {"data.times_monotonic", "acquisition times never go backwards", {kLastData, kCountVsGetData}},
        {"data.strings", "String values are non-null and NUL-terminated within 65536 bytes", {kLastData, kCountVsGetData}},
        {"unregister.no_callback_after", "no callback arrives after Tavro_SetCallbackInfo(NULL, NULL) has returned", {kRequired, kLoad}},
        {"unload.threads", "no thread started while the library was loaded still runs after FreeLibrary", {kLoad}},
        {"unload.timers", "no window timer or window of the library is left after FreeLibrary", {kLoad}},
        {"unload.twice", "load, describe and unload work twice more, with the same description, leaving the library unmapped", {kRequired, kLoad}},
    };
    return checks;
}

const CheckInfo* FindCheck(const std::string& id)
{
    for (const CheckInfo& check : CheckCatalogue())
        if (id == check.id)
            return &check;
    return nullptr;
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
