#include "absolute/AbsoluteCurvesAEHost.h"

#include "absolute/AbsoluteParameters.h"
#include "curves/CurveArbitrary.h"
#include "curves/EffectTraits.h"

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

// The curve editor takes the panel's events once it is wired in; until then they change nothing.
PF_Err AbsoluteCurvesAEHost::handleEvent(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*) {
    return noError();
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
