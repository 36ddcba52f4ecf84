#include "relative/RelativeCurvesAEHost.h"

#include "curves/CurveArbitrary.h"
#include "curves/EffectTraits.h"
#include "curves/HostHandle.h"
#include "editor/CurveEditor.h"
#include "relative/RelativeEditorPresentation.h"
#include "relative/RelativeParameters.h"

namespace korvane {

PF_Err RelativeCurvesAEHost::globalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                         PF_LayerDef* output) {
    if (const PF_Err err = AfterEffectsHost::globalSetup(in_data, out_data, params, output)) {
        return err;
    }
    out_data->out_flags |= kRelativeOutFlags;
    out_data->out_flags2 |= kRelativeOutFlags2;
    return noError();
}

PF_Err RelativeCurvesAEHost::paramsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                                         PF_LayerDef* /*output*/) {
    if (in_data == nullptr || out_data == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (const PF_Err err = registerRelativeParameters(*in_data)) {
        return err;
    }
    out_data->num_params = kRelativeParameterCount;
    return noError();
}

PF_Err RelativeCurvesAEHost::handleEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                         PF_LayerDef* /*output*/, void* extra) {
    if (in_data == nullptr || in_data->sequence_data == nullptr) {
        return noError();
    }
    if (in_data->utils == nullptr || params == nullptr || in_data->num_params < kRelativeParameterCount ||
        params[kParamCurve] == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_UtilCallbacks& utils = *in_data->utils;
    const HostHandleLock curveLock(utils, params[kParamCurve]->u.arb_d.value, sizeof(RelativeCurveSet));
    const HostHandleLock sequenceLock(utils, in_data->sequence_data, sizeof(EditorStateSet));
    if (!curveLock || !sequenceLock || sequenceLock.as<EditorStateSet>().format != 0) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    const RelativeEditorPresentation presentation;
    return handleEditorEvent<RelativeTraits>(in_data, out_data, params, static_cast<PF_EventExtra*>(extra),
                                             kParamCurve, curveLock.as<RelativeCurveSet>(),
                                             sequenceLock.as<EditorStateSet>(), presentation);
}

PF_Err RelativeCurvesAEHost::arbitraryCallback(PF_InData* in_data, PF_OutData* /*out_data*/,
                                               PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/,
                                               void* extra) {
    return curveSetArbitraryCallback<RelativeTraits>(in_data, static_cast<PF_ArbParamsExtra*>(extra));
}

std::int32_t RelativeCurvesAEHost::parameterCount() {
    return kRelativeParameterCount;
}

std::int32_t RelativeCurvesAEHost::layerParameter(std::int32_t n, std::string* name) {
    if (n != 0) {
        return -1;
    }
    if (name != nullptr) {
        *name = kBaseLayerName;
    }
    return kParamBaseLayer;
}

} // namespace korvane
