#pragma once
// What both curves effects do alike as the host drives them: the flags they add, their parameters'
// registration and count, the editor state set as sequence data, the panel's events and the curve
// parameter's arbitrary-data callbacks. Each effect class derives from CurvesAEHost over its own traits
// and adds what is its own (the controls that mirror the editor, the renders, extra layers).
#include "curves/CurveArbitrary.h"
#include "curves/EditorState.h"
#include "curves/HostHandle.h"
#include "editor/CurveEditor.h"
#include "editor/EditorSequenceData.h"
#include "framework/AfterEffectsHost.h"
#include "framework/DebugLog.h"
#include "framework/LogSection.h"
#include "hostapi/PF_Flags.h"

#include <cstdint>
#include <string>

namespace korvane {

// Out flags both curves effects add to the framework's: sequence data stored as text, error messages
// shown, and a custom panel.
inline constexpr PF_OutFlags kCurvesOutFlags =
    PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING | PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_CUSTOM_UI;
inline constexpr PF_OutFlags2 kCurvesOutFlags2 = PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER;

// The shared part of an effect class (an effect, not a host: the name follows the framework's classes).
// `Effect` is the effect's host traits:
//   CurveTraits        the effect's curve model (curves/EffectTraits.h)
//   kCurveParam        host index of the "curve" parameter
//   kParameterCount    parameters including the input layer
//   kClassName         the effect class's name, for the log sections
//   registerParameters(PF_InData&) -> PF_Err, and Presentation, the editor's presentation.
template <class Effect>
class CurvesAEHost : public AfterEffectsHost {
public:
    using AfterEffectsHost::AfterEffectsHost;
    using Traits = Effect;
    using CurveTraits = typename Effect::CurveTraits;

    PF_Err globalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                       PF_LayerDef* output) override {
        if (const PF_Err err = AfterEffectsHost::globalSetup(in_data, out_data, params, output)) {
            return err;
        }
        out_data->out_flags |= kCurvesOutFlags;
        out_data->out_flags2 |= kCurvesOutFlags2;
        return noError();
    }

    PF_Err paramsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                       PF_LayerDef* /*output*/) override {
        if (in_data == nullptr || out_data == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        if (const PF_Err err = Effect::registerParameters(*in_data)) {
            return err;
        }
        out_data->num_params = Effect::kParameterCount;
        return noError();
    }

    PF_Err sequenceSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                         PF_LayerDef* /*output*/) override {
        const LogSection section(DebugLog::instance(), std::string(Effect::kClassName) + "::SequenceSetup\n");
        return setupEditorSequence<CurveTraits>(in_data, out_data);
    }

    PF_Err sequenceResetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                           PF_LayerDef* /*output*/) override {
        const LogSection section(DebugLog::instance(),
                                 std::string(Effect::kClassName) + "::SequenceResetup\n");
        return resetupEditorSequence<CurveTraits>(in_data, out_data);
    }

    PF_Err sequenceSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                           PF_LayerDef* /*output*/) override {
        return setdownEditorSequence(in_data, out_data);
    }

    PF_Err sequenceFlatten(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                           PF_LayerDef* /*output*/) override {
        return flattenEditorSequence<CurveTraits>(in_data, out_data);
    }

    // Without sequence data the panel has nothing to show: success, nothing done.
    PF_Err handleEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                       PF_LayerDef* /*output*/, void* extra) override {
        if (in_data == nullptr || in_data->sequence_data == nullptr) {
            return noError();
        }
        if (in_data->utils == nullptr || params == nullptr || in_data->num_params < Effect::kParameterCount ||
            params[Effect::kCurveParam] == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        using CurveSetType = typename CurveTraits::CurveSetType;
        const PF_UtilCallbacks& utils = *in_data->utils;
        const HostHandleLock curveLock(utils, params[Effect::kCurveParam]->u.arb_d.value,
                                       sizeof(CurveSetType));
        const HostHandleLock sequenceLock(utils, in_data->sequence_data, sizeof(EditorStateSet));
        if (!curveLock || !sequenceLock || sequenceLock.as<EditorStateSet>().format != 0) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        const typename Effect::Presentation presentation;
        return handleEditorEvent<CurveTraits>(in_data, out_data, params, static_cast<PF_EventExtra*>(extra),
                                              Effect::kCurveParam, curveLock.as<CurveSetType>(),
                                              sequenceLock.as<EditorStateSet>(), presentation);
    }

    PF_Err arbitraryCallback(PF_InData* in_data, PF_OutData* /*out_data*/, PF_ParamDef* /*params*/[],
                             PF_LayerDef* /*output*/, void* extra) override {
        return curveSetArbitraryCallback<CurveTraits>(in_data, static_cast<PF_ArbParamsExtra*>(extra));
    }

    std::int32_t parameterCount() override { return Effect::kParameterCount; }
};

} // namespace korvane
