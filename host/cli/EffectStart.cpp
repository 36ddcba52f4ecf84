#include "host/cli/EffectStart.h"

#include "host/CurveSetText.h"
#include "host/HostError.h"
#include "host/cli/CurveFile.h"
#include "host/cli/TextOutput.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <thread>

namespace kvhost {

namespace {

std::string textOf(const std::vector<std::uint8_t>& flat) {
    std::string_view text(reinterpret_cast<const char*>(flat.data()), flat.size());
    return std::string(text.substr(0, text.find('\0')));
}

} // namespace

std::unique_ptr<EffectInstance> startEffect(const PluginFile& plugin, const EffectStart& start) {
    if (!std::isfinite(start.seconds)) {
        throw HostError("the time is not a finite number of seconds");
    }
    auto instance = std::make_unique<EffectInstance>(plugin);
    const int processors = start.processors > 0 ? start.processors : int(std::thread::hardware_concurrency());
    instance->setProcessorCount(std::max(1, processors));
    setRenderTime(*instance, start.seconds);
    instance->setup();
    if (!start.projectPath.empty()) {
        Project::loadFile(*instance, start.projectPath, start.readLayer);
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

int curveParameter(const EffectInstance& instance, const std::string& option) {
    for (int i = 1; i < instance.parameterCount(); ++i) {
        const HostParameter& p = instance.parameter(i);
        if (p.type() == PF_Param_ARBITRARY_DATA && p.name() == "curve") {
            return i;
        }
    }
    throw HostError(option + ": " + instance.plugin().path() + " has no \"curve\" parameter");
}

std::string curveSetTextNow(EffectInstance& instance, int index) {
    return textOf(instance.arbitraryFlatAt(index, instance.currentSeconds()));
}

void setCurveSetNow(EffectInstance& instance, int index, const std::string& text, const std::string& what) {
    std::vector<std::uint8_t> flat(text.begin(), text.end());
    flat.push_back(0);
    try {
        if (instance.parameter(index).animated()) {
            instance.setArbitraryKeyframe(index, instance.currentSeconds(), flat); // an edit keys it
        } else {
            instance.setArbitraryFlat(index, flat);
        }
    } catch (const HostError& error) {
        throw HostError(what + ": " + error.what());
    }
    const PF_Err result = instance.userChangedParam(index);
    if (result != PF_Err_NONE) {
        throw HostError(what + ": " + instance.plugin().path() +
                        " failed PF_Cmd_USER_CHANGED_PARAM or PF_Cmd_UPDATE_PARAMS_UI with error " +
                        errorText(result));
    }
}

void applyCurveFile(EffectInstance& instance, const std::string& path) {
    const std::vector<std::uint8_t> flat = readCurveFile(path);
    const int index = curveParameter(instance, "--curves " + path);
    const std::string given = textOf(flat);
    setCurveSetNow(instance, index, given, "--curves " + path);
    checkCurvesKept(path, given, curveSetTextNow(instance, index), curveSetReader(instance, index));
}

std::string projectText(EffectInstance& instance, const std::string& path) {
    return Project::save(instance, path).dump(2) + "\n";
}

} // namespace kvhost
