#include "host/cli/EffectStart.h"

#include "host/HostError.h"
#include "host/Project.h"
#include "host/cli/CurveFile.h"
#include "host/cli/TextOutput.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <thread>

namespace kvhost {

namespace {

std::string_view textOf(const std::vector<std::uint8_t>& flat) {
    std::string_view text(reinterpret_cast<const char*>(flat.data()), flat.size());
    return text.substr(0, text.find('\0'));
}

} // namespace

std::unique_ptr<EffectInstance> startEffect(const PluginFile& plugin, const EffectStart& start) {
    auto instance = std::make_unique<EffectInstance>(plugin);
    const int processors = start.processors > 0 ? start.processors : int(std::thread::hardware_concurrency());
    instance->setProcessorCount(std::max(1, processors));
    setRenderTime(*instance, start.seconds);
    instance->setup();
    if (!start.projectPath.empty()) {
        Project::loadFile(*instance, start.projectPath);
    }
    return instance;
}

void setRenderTime(EffectInstance& instance, double seconds) {
    const A_long now = A_long(std::lround(seconds * double(kTicksPerSecond)));
    // Ten seconds at least, and always beyond the time rendered.
    instance.setTimeScale(kTicksPerSecond, kTicksPerFrame,
                          std::max<A_long>(10 * A_long(kTicksPerSecond), now + kTicksPerFrame));
    instance.setCurrentTime(now);
}

void applyCurveFile(EffectInstance& instance, const std::string& path) {
    const std::vector<std::uint8_t> flat = readCurveFile(path);
    int index = -1;
    for (int i = 1; i < instance.parameterCount() && index < 0; ++i) {
        const HostParameter& p = instance.parameter(i);
        index = p.type() == PF_Param_ARBITRARY_DATA && p.name() == "curve" ? i : -1;
    }
    if (index < 0) {
        throw HostError("--curves " + path + ": " + instance.plugin().path() + " has no \"curve\" parameter");
    }
    const double seconds = instance.currentSeconds();
    try {
        if (instance.parameter(index).animated()) {
            instance.setArbitraryKeyframe(index, seconds, flat); // an edit of an animated value keys it
        } else {
            instance.setArbitraryFlat(index, flat);
        }
    } catch (const HostError& error) {
        throw HostError(path + ": " + error.what());
    }
    checkCurvesRead(path, textOf(flat), textOf(instance.arbitraryFlatAt(index, seconds)));
    const PF_Err result = instance.userChangedParam(index);
    if (result != PF_Err_NONE) {
        throw HostError("--curves " + path + ": " + instance.plugin().path() +
                        " failed PF_Cmd_USER_CHANGED_PARAM or PF_Cmd_UPDATE_PARAMS_UI with error " +
                        errorText(result));
    }
}

std::string projectText(EffectInstance& instance) {
    return Project::save(instance).dump(2) + "\n";
}

} // namespace kvhost
