#include "check/checks/CheckTimes.h"

#include <algorithm>

CheckTimes CheckTimes::ForBound(double seconds, double soakSeconds)
{
    CheckTimes times;
    times.soak = ms(static_cast<long long>(soakSeconds * 1000));
    const ms bound(static_cast<long long>(seconds * 1000));
    times.readyBound = bound;
    times.callBound = bound;
    times.dataWatch = std::min(times.dataWatch, bound);
    times.unregisterWatch = std::min(times.unregisterWatch, bound);
    return times;
}

CheckTimes::ms CheckTimes::Planned(const std::string& id) const
{
    if (id == "readiness.callback")
        return readyBound + readySettle;
    if (id == "data.last_data" || id == "data.count_vs_getdata")
        return dataWatch;
    if (id == "acquisition.cycles")
        return (readyBound + dataWatch) * cycles;
    if (id == "acquisition.soak")
        return readyBound + soak;
    if (id == "unregister.no_callback_after")
        return unregisterWatch;
    if (id == "unload.threads")
        return threadSettle;
    if (id == "unload.timers")
        return timerWatch;
    return ms(0);
}
