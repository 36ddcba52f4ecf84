#pragma once
#include "framework/AfterEffectsHost.h"
#include "hostapi/PF_Flags.h"

namespace korvane {

// Out flags the Absolute Curves effect adds to the framework's.
inline constexpr PF_OutFlags kAbsoluteOutFlags =
    PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING | PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_CUSTOM_UI;
inline constexpr PF_OutFlags2 kAbsoluteOutFlags2 = PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER;

// The Absolute effect itself, as the host drives it (not a host), "KV Curves - Absolute": input-to-output
// curves per channel. The curves live in the "curve" parameter,
// the editor state and the last render's histograms in the sequence data; parameters 4 to 7 mirror the
// editor's active node.
class AbsoluteCurvesAEHost : public AfterEffectsHost {
public:
    using AfterEffectsHost::AfterEffectsHost;

    PF_Err globalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                       PF_LayerDef* output) override;
    PF_Err sequenceSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                         PF_LayerDef* output) override;
    PF_Err sequenceResetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                           PF_LayerDef* output) override;
    PF_Err sequenceSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                           PF_LayerDef* output) override;
    PF_Err sequenceFlatten(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                           PF_LayerDef* output) override;
    PF_Err handleEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                       void* extra) override;
    PF_Err arbitraryCallback(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                             PF_LayerDef* output, void* extra) override;
    PF_Err paramsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                       PF_LayerDef* output) override;
    PF_Err userChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                            PF_LayerDef* output, void* extra) override;
    PF_Err updateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                          PF_LayerDef* output, void* extra) override;

    std::int32_t render8(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers) override;
    std::int32_t render16(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers) override;
    std::int32_t renderFloat(const ImageDesc& input, const ImageDesc& output,
                             const LayerMap& layers) override;

    std::int32_t parameterCount() override;

private:
    // The render set-up shared by the three depths.
    template <class Pixel>
    std::int32_t renderAtDepth(const ImageDesc& input, const ImageDesc& output);
};

} // namespace korvane
