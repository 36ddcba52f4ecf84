// userChangedParam and updateParamsUI: "based on", "change by" and "change factor" mirror the settings of
// the property chosen in "change"; "node x (input)", "node y (ouput)" and "select node x (input)" are a
// readout and a remote control of the editor's active node on the curve it shows.
#include "curves/CurveSet.h"
#include "curves/EditorState.h"
#include "curves/EffectTraits.h"
#include "curves/HostHandle.h"
#include "curves/SequenceData.h"
#include "editor/NodeSelection.h"
#include "pixels/ColourProperties.h"
#include "relative/RelativeCurvesAEHost.h"
#include "relative/RelativeEditorPresentation.h"
#include "relative/RelativeParameters.h"
#include "relative/RelativeProperties.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace korvane {

namespace {

using relative::kPropertyCount;

constexpr A_short kDecimalPrecision = 3;
constexpr A_short kStepPrecision = 0;
// "change factor" slides 0..50 for the post blur (a radius in pixels) and 0..1 for the others.
constexpr PF_FpShort kPostBlurFactorSliderMax = 50.0f;
constexpr PF_FpShort kFactorSliderMax = 1.0f;
constexpr A_long kHueBasedOnValue = 3;

void flagChanged(PF_ParamDef& def) {
    def.uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
}

// The popup value that shows a stored "based on"; a stored value that names nothing shows as brightness.
A_long basedOnPopupValue(std::int32_t basedOn) {
    return relative::isSourceProperty(basedOn) || relative::isCurveLink(basedOn) ? basedOn + 1 : 1;
}

std::size_t propertyOf(const PF_ParamDef& change) {
    return std::size_t(std::clamp<A_long>(change.u.pd.value - 1, 0, kPropertyCount - 1));
}

bool parametersPresent(const PF_InData& in_data, PF_ParamDef* params[]) {
    if (params == nullptr || in_data.utils == nullptr || in_data.num_params < kRelativeParameterCount) {
        return false;
    }
    for (PF_ParamIndex i = 1; i < kRelativeParameterCount; ++i) {
        if (params[i] == nullptr) {
            return false;
        }
    }
    return true;
}

// Whether the picked colour moves the node, and to which input value.
std::optional<double> pickedInput(const RelativeCurveSet& set, std::size_t current, std::size_t property,
                                  const PF_Pixel& colour) {
    const std::int32_t basedOn = set.basedOn[current];
    double v = 0.0;
    if (relative::isSourceProperty(basedOn)) {
        constexpr double kByteUnit = 1.0 / 255.0;
        v = colourProperty(basedOn, colour.red * kByteUnit, colour.green * kByteUnit, colour.blue * kByteUnit,
                           1.0, 1.0);
    }
    // A grey colour has no hue (the no-hue marker is below 0), and a hue node is never moved this way.
    if (property == relative::kHue || !(v > 0.0)) {
        return std::nullopt;
    }
    return v;
}

} // namespace

PF_Err RelativeCurvesAEHost::userChangedParam(PF_InData* in_data, PF_OutData* /*out_data*/,
                                              PF_ParamDef* params[], PF_LayerDef* /*output*/, void* extra) {
    if (in_data == nullptr || in_data->pica_basicP == nullptr) {
        return noError();
    }
    if (!parametersPresent(*in_data, params)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    const HostHandleLock curveLock(utils, params[kParamCurve]->u.arb_d.value, sizeof(RelativeCurveSet));
    if (!curveLock || in_data->sequence_data == nullptr) {
        return noError();
    }
    const HostHandleLock sequenceLock(utils, in_data->sequence_data, sizeof(EditorStateSet));
    if (!sequenceLock || sequenceLock.as<EditorStateSet>().format != 0) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    auto& set = curveLock.as<RelativeCurveSet>();
    auto& states = sequenceLock.as<EditorStateSet>();
    makeEditorStateSetSafe<RelativeTraits>(states);
    const PF_ParamIndex changed =
        extra != nullptr ? static_cast<const PF_UserChangedParamExtra*>(extra)->param_index : -1;
    PF_ParamDef& curveParam = *params[kParamCurve];
    PF_ParamDef& factorParam = *params[kParamChangeFactor];
    const PF_ParamUtilsSuite1* suite = paramUtilsSuite();
    const auto updateControl = [&](PF_ParamIndex index) {
        if (suite->PF_UpdateParamUI != nullptr) {
            suite->PF_UpdateParamUI(in_data->effect_ref, index, params[index]);
        }
    };

    const double scale = relativeDisplayScale(params[kParamScale]->u.pd.value);
    states.scale = scale;
    const std::size_t property = propertyOf(*params[kParamChange]);
    if (changed == -1) {
        states.current = std::int32_t(property);
    }
    const auto current = std::size_t(states.current);
    bool mirrorFactor = true;
    switch (changed) {
    case kParamChange: {
        states.current = std::int32_t(property);
        params[kParamBasedOn]->u.pd.value = basedOnPopupValue(set.basedOn[property]);
        params[kParamChangeBy]->u.pd.value = set.changeBy[property] == relative::kAddition ? 2 : 1;
        factorParam.u.fs_d.value = set.changeFactor[property];
        if (property == relative::kBrightness) {
            states.states[relative::kBrightness].active = -1;
        }
        for (const PF_ParamIndex index : {kParamCurve, kParamBasedOn, kParamChangeBy, kParamChangeFactor}) {
            flagChanged(*params[index]);
        }
        // The host keeps a slider's value inside its range: widen the range past the new value first, but
        // never past the slider's limits (a hand-edited factor of 1e147 would make it infinite).
        const double factor = set.changeFactor[property];
        const double widest = std::isnan(factor) ? relative::kLargestChangeFactor
                                                 : std::clamp(factor, -relative::kLargestChangeFactor,
                                                              relative::kLargestChangeFactor);
        factorParam.u.fs_d.slider_max = PF_FpShort(widest + 1.0);
        updateControl(kParamChangeFactor);
        factorParam.u.fs_d.slider_max =
            property == relative::kPostBlur ? kPostBlurFactorSliderMax : kFactorSliderMax;
        updateControl(kParamChangeFactor);
        break;
    }
    case kParamBasedOn: {
        const A_long value = params[kParamBasedOn]->u.pd.value;
        set.basedOn[current] = value - 1;
        // Hue is a circle: a curve based on it wraps around.
        set.curves[current].loop = value == kHueBasedOnValue ? 1 : 0;
        recomputeHandles(set.curves[current], RelativeTraits::kNeutralSlope);
        flagChanged(curveParam);
        break;
    }
    case kParamChangeBy:
        set.changeBy[current] = params[kParamChangeBy]->u.pd.value - 1;
        flagChanged(curveParam);
        break;
    case kParamChangeFactor:
        set.changeFactor[current] = factorParam.u.fs_d.value;
        flagChanged(curveParam);
        mirrorFactor = false;
        break;
    case kParamSelectNodeX: {
        const std::optional<double> v =
            pickedInput(set, current, property, params[kParamSelectNodeX]->u.cd.value);
        const std::optional<NodePosition> node = activeNodePosition<RelativeTraits>(set, states);
        if (v && node) {
            moveSelection<RelativeTraits>(set, states, *v, node->y);
            flagChanged(curveParam);
        }
        break;
    }
    default:
        break;
    }
    if (mirrorFactor) {
        if (factorParam.u.fs_d.value != set.changeFactor[property]) {
            factorParam.u.fs_d.value = set.changeFactor[property];
            flagChanged(factorParam);
        }
        if (changed == kParamNodeX || changed == kParamNodeY) {
            // Typed values are in display units; the curve is in units of 0..1.
            const double x = float(params[kParamNodeX]->u.fs_d.value / scale);
            const double y = float(params[kParamNodeY]->u.fs_d.value / scale);
            moveSelection<RelativeTraits>(set, states, x, y);
            flagChanged(curveParam);
        }
    }

    const std::optional<NodePosition> node = activeNodePosition<RelativeTraits>(set, states);
    PF_FloatSliderDef& nodeX = params[kParamNodeX]->u.fs_d;
    PF_FloatSliderDef& nodeY = params[kParamNodeY]->u.fs_d;
    nodeX.value = node ? node->x * scale : 0.0;
    nodeY.value = node ? node->y * scale : 0.0;
    for (PF_FloatSliderDef* slider : {&nodeX, &nodeY}) {
        slider->slider_max = PF_FpShort(scale);
        slider->precision = scale == 1.0 ? kDecimalPrecision : kStepPrecision;
    }
    PF_Pixel& readout = params[kParamSelectNodeX]->u.cd.value;
    const PF_Pixel colour =
        node ? nodeInputColour(resolveInput(set, states.current), node->x) : PF_Pixel{255, 0, 0, 0};
    readout.red = colour.red;
    readout.green = colour.green;
    readout.blue = colour.blue;
    for (const PF_ParamIndex index : {kParamNodeX, kParamNodeY, kParamSelectNodeX}) {
        flagChanged(*params[index]);
        updateControl(index);
    }
    return noError();
}

PF_Err RelativeCurvesAEHost::updateParamsUI(PF_InData* in_data, PF_OutData* /*out_data*/,
                                            PF_ParamDef* params[], PF_LayerDef* /*output*/, void* /*extra*/) {
    if (in_data == nullptr || in_data->pica_basicP == nullptr) {
        return noError();
    }
    if (!parametersPresent(*in_data, params)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    const HostHandleLock curveLock(utils, params[kParamCurve]->u.arb_d.value, sizeof(RelativeCurveSet));
    if (!curveLock) {
        return noError();
    }
    auto& set = curveLock.as<RelativeCurveSet>();
    if (in_data->sequence_data != nullptr) {
        const HostHandleLock sequenceLock(utils, in_data->sequence_data, sizeof(EditorStateSet));
        if (!sequenceLock || sequenceLock.as<EditorStateSet>().format != 0) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        auto& states = sequenceLock.as<EditorStateSet>();
        makeEditorStateSetSafe<RelativeTraits>(states);
        const bool enabled = activeNodePosition<RelativeTraits>(set, states).has_value();
        for (const PF_ParamIndex index : {kParamNodeX, kParamSelectNodeX, kParamNodeY}) {
            setParameterEnabled(index, enabled);
        }
        PF_FloatSliderDef& factor = params[kParamChangeFactor]->u.fs_d;
        const double stored = set.changeFactor[std::size_t(states.current)];
        if (factor.value != stored) {
            factor.value = stored;
            const PF_ParamUtilsSuite1* suite = paramUtilsSuite();
            if (suite->PF_UpdateParamUI != nullptr) {
                suite->PF_UpdateParamUI(in_data->effect_ref, kParamChangeFactor, params[kParamChangeFactor]);
            }
        }
    }
    // Hue is always added, and the post blur's factor is a radius: neither has a kind of change.
    const A_long change = params[kParamChange]->u.pd.value;
    setParameterEnabled(kParamChangeBy, change != relative::kHue + 1 && change != relative::kPostBlur + 1);
    return noError();
}

} // namespace korvane
