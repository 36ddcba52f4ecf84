// Keyframes set, removed and moved by the user, as in the host's timeline.
#include "host/EffectInstance.h"

#include "host/HostError.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace kvhost {

namespace {

// Times come back from a page or a file as the doubles they were sent as; a keyframe is found at its time
// within a millionth of a frame at any usual rate.
constexpr double kSameTime = 1e-9;

std::string secondsText(double seconds) {
    std::ostringstream text;
    text << seconds;
    return text.str();
}

std::vector<HostParameter::Keyframe>::iterator keyframeAt(HostParameter& p, double seconds,
                                                          const std::string& path) {
    auto& keys = p.keyframes();
    const auto found = std::find_if(keys.begin(), keys.end(), [&](const HostParameter::Keyframe& k) {
        return std::abs(k.seconds - seconds) <= kSameTime;
    });
    if (found == keys.end()) {
        throw HostError(path + ": \"" + p.name() + "\" has no keyframe at " + secondsText(seconds) + " s");
    }
    return found;
}

void requireTimeVarying(const HostParameter& p, const std::string& path) {
    if (p.registered().flags & PF_ParamFlag_CANNOT_TIME_VARY) {
        throw HostError(path + ": \"" + p.name() + "\" cannot vary in time");
    }
    if (p.type() == PF_Param_LAYER || p.type() == PF_Param_GROUP_START || p.type() == PF_Param_GROUP_END ||
        p.type() == PF_Param_BUTTON || p.type() == PF_Param_NO_DATA) {
        throw HostError(path + ": \"" + p.name() + "\" is a " + HostParameter::typeName(p.type()) +
                        ", which has no keyframes");
    }
}

} // namespace

void EffectInstance::addKeyframe(int index, double seconds) {
    HostParameter& p = parameter(index);
    requireTimeVarying(p, plugin_.path());
    if (!std::isfinite(seconds) || seconds < 0.0) {
        fail("keyframe time " + secondsText(seconds) + " s of \"" + p.name() + "\"");
    }
    if (p.type() == PF_Param_ARBITRARY_DATA) {
        setArbitraryKeyframe(index, seconds, arbitraryFlatAt(index, seconds));
        return;
    }
    HostParameter::Keyframe keyframe;
    keyframe.seconds = seconds;
    keyframe.value = p.valueAt(seconds);
    p.setKeyframe(keyframe);
}

void EffectInstance::removeKeyframe(int index, double seconds) {
    HostParameter& p = parameter(index);
    const auto found = keyframeAt(p, seconds, plugin_.path());
    const HostParameter::Keyframe removed = *found;
    p.keyframes().erase(found);
    if (p.type() != PF_Param_ARBITRARY_DATA) {
        if (!p.animated()) {
            p.storeValue(removed.value, removed.seconds);
        }
        return;
    }
    if (p.animated()) {
        arbitraryDispose(index, removed.arbitrary);
        return;
    }
    // The last keyframe's value stays as the value the parameter holds from now on.
    PF_Handle old = p.arbitraryValue;
    p.arbitraryValue = removed.arbitrary;
    memory_.setOwner(p.arbitraryValue, p.name() + " value");
    arbitraryDispose(index, old);
}

void EffectInstance::moveKeyframe(int index, double from, double to) {
    HostParameter& p = parameter(index);
    if (!std::isfinite(to) || to < 0.0) {
        fail("keyframe time " + secondsText(to) + " s of \"" + p.name() + "\"");
    }
    const auto found = keyframeAt(p, from, plugin_.path());
    HostParameter::Keyframe moved = *found;
    p.keyframes().erase(found);
    moved.seconds = to;
    if (PF_Handle replaced = p.setKeyframe(moved)) {
        arbitraryDispose(index, replaced);
    }
}

} // namespace kvhost
