#include "check/CheckCatalogue.h"

namespace {

const char kRequired[] = "exports.required";
const char kLoad[] = "load.library";
const char kCount[] = "description.count";

}  // namespace

const std::vector<CheckInfo>& CheckCatalogue()
{
    static const std::vector<CheckInfo> checks = {
        {kRequired, "the 13 required Tavro_ functions are exported, undecorated", {}},
        {"exports.version", "Tavro_GetDeviceLibraryVersion is exported, undecorated (optional: absent is a warning)", {}},
        {"exports.unknown", "no other Tavro_ export (one the interface does not know is a warning)", {}},
        {kLoad, "LoadLibrary loads the file", {}},
        {kCount, "the component count is >= 0 and the same on every call", {kRequired, kLoad}},
        {"texts.device_name", "the device name is not empty, NUL-terminated within the buffer size and the same on every call", {kRequired, kLoad}},
        {"texts.component_names", "each component name is not empty, NUL-terminated within the buffer size and the same on every call", {kCount}},
        {"texts.units", "each component's units are NUL-terminated within the buffer size and the same on every call", {kCount}},
        {"texts.buffer_guard", "no text function writes past the buffer size it is given (sizes 256 and 4)", {kCount}},
        {"description.types", "every component's data type is 1 to 7 and the same on every call", {kCount}},
        {"description.precision", "every component's precision is >= 0 and the same on every call", {kCount}},
        {"readiness.callback", "after Tavro_SetCallbackInfo and Tavro_PrepareExperiment the callback reports 1 within the bound", {kRequired, kLoad}},
        {"data.last_data", "after Tavro_StartExperiment Tavro_GetLastData returns records, with values while there are components", {"readiness.callback", "description.types"}},
        {"data.count_vs_getdata", "after a stop, each Tavro_GetData gives a record and lowers Tavro_GetAvailableDataCount by one", {"readiness.callback", "description.types"}},
        {"data.times_monotonic", "acquisition times never go backwards", {"data.last_data"}},
        {"data.strings", "String values are non-null and NUL-terminated within 65536 bytes", {"data.last_data"}},
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
