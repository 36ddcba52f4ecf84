#include "host/frei0r/ClientTime.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>

namespace kvhost {

namespace {

constexpr double kLongestSeconds = 86400.0;

} // namespace

ClientTimeUnit clientTimeUnit(const void* callerAddress) {
    Dl_info info{};
    if (!callerAddress || dladdr(callerAddress, &info) == 0) {
        return ClientTimeUnit::Seconds;
    }
    // RTLD_NOLOAD finds the caller's object without loading anything. dlsym on its handle also searches
    // what it depends on (or, for the program, the whole process), so the symbol found must lie in the
    // caller's object itself: a program that links libavfilter but calls f0r_update itself is no ffmpeg.
    void* object = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (!object) {
        return ClientTimeUnit::Seconds;
    }
    void* symbol = dlsym(object, "avfilter_version");
    Dl_info symbolInfo{};
    const bool libavfilter =
        symbol && dladdr(symbol, &symbolInfo) != 0 && symbolInfo.dli_fbase == info.dli_fbase;
    dlclose(object);
    return libavfilter ? ClientTimeUnit::Milliseconds : ClientTimeUnit::Seconds;
}

double renderSeconds(double clientTime, ClientTimeUnit unit, double frameRate) {
    double seconds = clientTime;
    if (frameRate > 0.0 && std::isfinite(frameRate)) {
        seconds = clientTime / frameRate;
    } else if (unit == ClientTimeUnit::Milliseconds) {
        seconds = clientTime / 1000.0;
    }
    if (std::isnan(seconds)) {
        return 0.0;
    }
    return std::clamp(seconds, 0.0, kLongestSeconds);
}

} // namespace kvhost
