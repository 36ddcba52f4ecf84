// Parameters 4 to 7: a readout and a remote control of the editor's active node, kept in step with the
// curve by userChangedParam and enabled only while a node is active.
#include "absolute/AbsoluteChannels.h"
#include "absolute/AbsoluteCurvesAEHost.h"
#include "absolute/AbsoluteParameters.h"
#include "absolute/AxisColour.h"
#include "absolute/SelectedNodes.h"
#include "curves/CurveSet.h"
#include "curves/EditorState.h"
#include "curves/EffectTraits.h"
#include "curves/HostHandle.h"
#include "curves/SequenceData.h"
#include "pixels/ColourProperties.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvane {

namespace {

// Readout precision of the node values in decimal units and in channel steps.
constexpr A_short kDecimalPrecision = 3;
constexpr A_short kStepPrecision = 0;
// The colour readout shows the axis colour slightly faded.
constexpr float kReadoutFade = 0.25f;

void flagChanged(PF_ParamDef& def) {
    def.uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
}

// The value a picked colour stands for on the axis of `channel`.
double pickedValue(std::int32_t channel, const PF_Pixel& colour) {
    constexpr float kByteUnit = 1.0f / 255.0f;
    const double red = float(colour.red) * kByteUnit;
    const double green = float(colour.green) * kByteUnit;
    const double blue = float(colour.blue) * kByteUnit;
    switch (channel) {
    case kChannelSaturation:
        return saturation(red, green, blue);
    case kChannelHue:
        return hue(red, green, blue);
    case kChannelRed:
        return red;
    case kChannelGreen:
        return green;
    case kChannelBlue:
        return blue;
    case kChannelAlpha:
        return 0.0;
    default:
        return brightness(red, green, blue);
    }
}

// A grey colour has no hue (kNoHue): picking it must not move a hue node.
bool pickMoves(std::int32_t channel, double v) {
    return channel != kChannelHue || v > std::numeric_limits<double>::min();
}

A_u_char colourByte(float component) {
    const float scaled = component * 255.0f;
    return scaled > 0.0f ? A_u_char(std::min(scaled, 255.0f)) : A_u_char(0);
}

void setColour(PF_Pixel& pixel, const AxisColour& colour) {
    pixel.red = colourByte(colour.red);
    pixel.green = colourByte(colour.green);
    pixel.blue = colourByte(colour.blue);
}

bool parametersPresent(const PF_InData& in_data, PF_ParamDef* params[]) {
    if (params == nullptr || in_data.utils == nullptr || in_data.num_params < kAbsoluteParameterCount) {
        return false;
    }
    for (PF_ParamIndex i = 1; i < kAbsoluteParameterCount; ++i) {
        if (params[i] == nullptr) {
            return false;
        }
    }
    return true;
}

} // namespace

PF_Err AbsoluteCurvesAEHost::userChangedParam(PF_InData* in_data, PF_OutData* /*out_data*/,
                                              PF_ParamDef* params[], PF_LayerDef* /*output*/, void* extra) {
    if (in_data == nullptr || in_data->pica_basicP == nullptr) {
        return noError();
    }
    if (!parametersPresent(*in_data, params)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    const HostHandleLock curveLock(utils, params[kParamCurve]->u.arb_d.value, sizeof(AbsoluteCurveSet));
    if (!curveLock) {
        return noError();
    }
    if (in_data->sequence_data == nullptr) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    const HostHandleLock sequenceLock(utils, in_data->sequence_data, sizeof(EditorStateSet));
    if (!sequenceLock || sequenceLock.as<EditorStateSet>().format != 0) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    auto& curves = curveLock.as<AbsoluteCurveSet>();
    auto& states = sequenceLock.as<EditorStateSet>();
    makeEditorStateSetSafe<AbsoluteTraits>(states);
    const PF_ParamIndex changed =
        extra != nullptr ? static_cast<const PF_UserChangedParamExtra*>(extra)->param_index : 0;
    PF_ParamDef& channelParam = *params[kParamChannel];
    PF_ParamDef& curveParam = *params[kParamCurve];

    const double scale = displayScale(params[kParamScale]->u.pd.value);
    states.scale = scale;

    const auto currentCurve = [&]() -> Curve& { return curves.curves[std::size_t(states.current)]; };
    const auto currentState = [&]() -> EditorState& { return states.states[std::size_t(states.current)]; };
    const auto moveTo = [&](double x, double y) {
        moveSelectedNodes(currentCurve(), currentState(), x, y, AbsoluteTraits::kNeutralSlope);
    };

    if (changed == kParamSelectNodeX || changed == kParamSelectNodeY) {
        const std::int32_t channel = channelParam.u.pd.value - 1;
        const double v = pickedValue(channel, params[changed]->u.cd.value);
        if (pickMoves(channel, v)) {
            if (const int slot = activeNodeSlot(currentCurve(), currentState()); slot >= 0) {
                const CurveNode& node = currentCurve().nodes[std::size_t(slot)];
                if (changed == kParamSelectNodeX) {
                    moveTo(v, node.y);
                } else {
                    moveTo(node.x, v);
                }
            }
            flagChanged(curveParam);
        }
    }
    if (changed == kParamChannel) {
        states.current = std::clamp<std::int32_t>(channelParam.u.pd.value - 1, 0, kAbsoluteChannelCount - 1);
        if (states.current == kChannelBrightness) {
            states.states[kChannelBrightness].active = -1;
        }
        flagChanged(curveParam);
    }
    if (channelParam.u.pd.value != states.current + 1) {
        channelParam.u.pd.value = states.current + 1;
        flagChanged(channelParam);
    }
    if (changed == kParamNodeX || changed == kParamNodeY) {
        // Typed values are in display units; the curve is in units of 0..1.
        const double x = float(params[kParamNodeX]->u.fs_d.value / scale);
        const double y = float(params[kParamNodeY]->u.fs_d.value / scale);
        moveTo(x, y);
        flagChanged(curveParam);
    }

    const int slot = activeNodeSlot(currentCurve(), currentState());
    const CurveNode* node = slot >= 0 ? &currentCurve().nodes[std::size_t(slot)] : nullptr;
    PF_FloatSliderDef& nodeX = params[kParamNodeX]->u.fs_d;
    PF_FloatSliderDef& nodeY = params[kParamNodeY]->u.fs_d;
    nodeX.value = node != nullptr ? node->x * scale : 0.0;
    nodeY.value = node != nullptr ? node->y * scale : 0.0;
    for (PF_FloatSliderDef* slider : {&nodeX, &nodeY}) {
        slider->slider_max = PF_FpShort(scale);
        slider->precision = scale == 1.0 ? kDecimalPrecision : kStepPrecision;
    }
    flagChanged(*params[kParamNodeX]);
    flagChanged(*params[kParamNodeY]);

    constexpr AxisColour kBlack{0.0f, 0.0f, 0.0f};
    setColour(params[kParamSelectNodeX]->u.cd.value,
              node != nullptr ? channelAxisColour(states.current, float(node->x), kReadoutFade) : kBlack);
    setColour(params[kParamSelectNodeY]->u.cd.value,
              node != nullptr ? channelAxisColour(states.current, float(node->y), kReadoutFade) : kBlack);
    flagChanged(*params[kParamSelectNodeX]);
    flagChanged(*params[kParamSelectNodeY]);

    const PF_ParamUtilsSuite1* suite = paramUtilsSuite();
    if (suite->PF_UpdateParamUI != nullptr) {
        for (const PF_ParamIndex index : {kParamNodeX, kParamNodeY, kParamSelectNodeX, kParamSelectNodeY}) {
            suite->PF_UpdateParamUI(in_data->effect_ref, index, params[index]);
        }
    }
    return noError();
}

PF_Err AbsoluteCurvesAEHost::updateParamsUI(PF_InData* in_data, PF_OutData* /*out_data*/,
                                            PF_ParamDef* params[], PF_LayerDef* /*output*/, void* /*extra*/) {
    if (in_data == nullptr || in_data->pica_basicP == nullptr) {
        return noError();
    }
    if (!parametersPresent(*in_data, params)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    const HostHandleLock curveLock(utils, params[kParamCurve]->u.arb_d.value, sizeof(AbsoluteCurveSet));
    if (!curveLock || in_data->sequence_data == nullptr) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    const HostHandleLock sequenceLock(utils, in_data->sequence_data, sizeof(EditorStateSet));
    if (!sequenceLock || sequenceLock.as<EditorStateSet>().format != 0) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    const auto& curves = curveLock.as<AbsoluteCurveSet>();
    const auto& states = sequenceLock.as<EditorStateSet>();
    bool enabled = false;
    if (states.current >= 0 && states.current < kAbsoluteChannelCount) {
        const auto current = std::size_t(states.current);
        enabled = activeNodeSlot(curves.curves[current], states.states[current]) >= 0;
    }
    for (const PF_ParamIndex index : {kParamNodeX, kParamSelectNodeX, kParamNodeY, kParamSelectNodeY}) {
        setParameterEnabled(index, enabled);
    }
    return noError();
}

} // namespace korvane
