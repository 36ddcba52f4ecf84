// Parameters handed to the plug-in and taken back: the values of each command's params[] and of each
// checkout, the values the plug-in changed, and the values the host's user sets.
#include "host/EffectInstance.h"

#include "host/HostError.h"

#include <cmath>

namespace kvhost {

PF_ParamDef EffectInstance::valueDef(int index, double seconds, PF_Handle* temporary) {
    HostParameter& p = *parameters_[std::size_t(index)];
    PF_ParamDef def = p.current();
    def.uu.change_flags = PF_ChangeFlag_NONE;
    *temporary = nullptr;
    switch (p.type()) {
    case PF_Param_LAYER: {
        const A_long dephault = def.u.ld.dephault;
        HostImage* image = renderLayer(index);
        def.u.ld = image ? image->world() : PF_LayerDef{};
        def.u.ld.dephault = dephault;
        break;
    }
    case PF_Param_ARBITRARY_DATA: {
        bool isTemporary = false;
        def.u.arb_d.value = arbitraryAt(index, seconds, &isTemporary);
        def.u.arb_d.dephault = p.arbitraryDefault;
        if (isTemporary) {
            *temporary = def.u.arb_d.value;
        }
        break;
    }
    default:
        def.u = p.valueAt(seconds);
        break;
    }
    return def;
}

void EffectInstance::buildParams(Call& call) {
    const std::size_t count = parameters_.size();
    call.defs.resize(count);
    call.temporaries.assign(count, nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        call.defs[i] = valueDef(int(i), currentSeconds(), &call.temporaries[i]);
    }
    call.pointers.resize(count + 1, nullptr); // null-terminated, as plug-ins may walk it
    for (std::size_t i = 0; i < count; ++i) {
        call.pointers[i] = &call.defs[i];
    }
}

void EffectInstance::finishParams(Call& call, PF_Cmd command) {
    const bool mayChange = command == PF_Cmd_USER_CHANGED_PARAM || command == PF_Cmd_EVENT;
    for (std::size_t i = 1; i < call.defs.size() && i < parameters_.size(); ++i) {
        const PF_ParamDef& def = call.defs[i];
        HostParameter& p = *parameters_[i];
        PF_Handle& temporary = call.temporaries[i];
        if (mayChange && (def.uu.change_flags & PF_ChangeFlag_CHANGED_VALUE)) {
            changedParams_.push_back(int(i));
            if (p.type() == PF_Param_ARBITRARY_DATA) {
                PF_Handle given = temporary ? temporary : p.arbitraryValue;
                PF_Handle now = def.u.arb_d.value;
                if (now != given && !memory_.isLive(now)) {
                    fault("parameter " + std::to_string(i) + " changed to a handle that is not live");
                } else if (p.animated()) {
                    // The value edited at this time becomes the keyframe at this time.
                    memory_.setOwner(now, p.name() + " keyframe");
                    HostParameter::Keyframe keyframe;
                    keyframe.seconds = currentSeconds();
                    keyframe.arbitrary = now;
                    if (PF_Handle replaced = p.setKeyframe(keyframe)) {
                        arbitraryDispose(int(i), replaced);
                    }
                    if (now == temporary) {
                        temporary = nullptr;
                    }
                } else if (now != given) {
                    memory_.setOwner(now, p.name() + " value");
                    p.arbitraryValue = now;
                    arbitraryDispose(int(i), given);
                }
            } else if (p.type() != PF_Param_LAYER) {
                p.storeValue(def.u, currentSeconds());
            }
        }
        if (temporary) {
            arbitraryDispose(int(i), temporary);
            temporary = nullptr;
        }
    }
}

void EffectInstance::setNumber(int index, double value) {
    HostParameter& p = parameter(index);
    PF_ParamDefUnion u = p.valueAt(currentSeconds());
    switch (p.type()) {
    case PF_Param_POPUP:
        if (value < 1 || value > p.registered().u.pd.num_choices || value != std::floor(value)) {
            fail("popup \"" + p.name() + "\" has no item " + std::to_string(value));
        }
        u.pd.value = A_long(value);
        break;
    case PF_Param_CHECKBOX:
        u.bd.value = value != 0.0;
        break;
    case PF_Param_SLIDER:
        u.sd.value = A_long(std::lround(value));
        break;
    case PF_Param_FLOAT_SLIDER:
        u.fs_d.value = value;
        break;
    case PF_Param_ANGLE:
        u.ad.value = PF_Fixed(std::lround(value * 65536.0));
        break;
    default:
        fail("parameter \"" + p.name() + "\" is a " + HostParameter::typeName(p.type()) + ", not a number");
    }
    p.storeValue(u, currentSeconds());
}

void EffectInstance::setColour(int index, PF_Pixel colour) {
    HostParameter& p = parameter(index);
    if (p.type() != PF_Param_COLOR) {
        fail("parameter \"" + p.name() + "\" is not a colour");
    }
    PF_ParamDefUnion u = p.valueAt(currentSeconds());
    u.cd.value = colour;
    p.storeValue(u, currentSeconds());
}

void EffectInstance::setLayer(int index, std::shared_ptr<const HostImage> image, const std::string& file) {
    HostParameter& p = parameter(index);
    if (p.type() != PF_Param_LAYER) {
        fail("parameter \"" + p.name() + "\" is not a layer");
    }
    p.layer = image ? std::make_shared<HostImage>(*image) : nullptr;
    p.layerFile = image ? file : std::string();
}

} // namespace kvhost
