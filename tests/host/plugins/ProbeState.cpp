#include "tests/host/plugins/ProbeState.h"

#include <map>
#include <mutex>
#include <string>

namespace probe {

namespace {

std::mutex settingsMutex;
std::map<std::string, int> settings;

} // namespace

void (*probeDispose)(PF_Handle) = nullptr;
decltype(PF_PreRenderCallbacks::checkout_layer) keptCheckoutLayer = nullptr;
int setting(const char* key) {
    std::lock_guard lock(settingsMutex);
    const auto found = settings.find(key);
    return found == settings.end() ? 0 : found->second;
}

void note(const char* key, int value) {
    std::lock_guard lock(settingsMutex);
    settings[key] = value;
}

void forgetAll() {
    std::lock_guard lock(settingsMutex);
    settings.clear();
}

} // namespace probe
