#include "absolute/AbsoluteCurvesAEHost.h"

#include "absolute/AbsoluteEditorPresentation.h"
#include "absolute/AbsoluteParameters.h"
#include "curves/CurveArbitrary.h"
#include "curves/CurveSet.h"
#include "curves/EditorState.h"
#include "curves/EffectTraits.h"
#include "curves/HostHandle.h"
#include "editor/CurveEditor.h"

namespace korvane {

PF_Err AbsoluteCurvesAEHost::globalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                         PF_LayerDef* output) {
    if (const PF_Err err = AfterEffectsHost::globalSetup(in_data, out_data, params, output)) {
        return err;
    }
    out_data->out_flags |= kAbsoluteOutFlags;
    out_data->out_flags2 |= kAbsoluteOutFlags2;
    return noError();
}

PF_Err AbsoluteCurvesAEHost::paramsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                                         PF_LayerDef* /*output*/) {
    if (in_data == nullptr || out_data == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (const PF_Err err = registerAbsoluteParameters(*in_data)) {
        return err;
    }
    out_data->num_params = kAbsoluteParameterCount;
    return noError();
}

PF_Err AbsoluteCurvesAEHost::handleEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                         PF_LayerDef* /*output*/, void* extra) {
    if (in_data == nullptr || in_data->sequence_data == nullptr) {
        return noError();
    }
    if (in_data->utils == nullptr || params == nullptr || in_data->num_params < kAbsoluteParameterCount ||
        params[kParamCurve] == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    const HostHandleLock curveLock(utils, params[kParamCurve]->u.arb_d.value, sizeof(AbsoluteCurveSet));
    const HostHandleLock sequenceLock(utils, in_data->sequence_data, sizeof(EditorStateSet));
    if (!curveLock || !sequenceLock || sequenceLock.as<EditorStateSet>().format != 0) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    const AbsoluteEditorPresentation presentation;
    return handleEditorEvent<AbsoluteTraits>(in_data, out_data, params, static_cast<PF_EventExtra*>(extra),
                                             kParamCurve, curveLock.as<AbsoluteCurveSet>(),
                                             sequenceLock.as<EditorStateSet>(), presentation);
}

PF_Err AbsoluteCurvesAEHost::arbitraryCallback(PF_InData* in_data, PF_OutData* /*out_data*/,
                                               PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/,
                                               void* extra) {
    return curveSetArbitraryCallback<AbsoluteTraits>(in_data, static_cast<PF_ArbParamsExtra*>(extra));
}

std::int32_t AbsoluteCurvesAEHost::parameterCount() {
    return kAbsoluteParameterCount;
}

} // namespace korvane
