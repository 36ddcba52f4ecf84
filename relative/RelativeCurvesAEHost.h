#pragma once
#include "framework/AfterEffectsHost.h"
#include "hostapi/PF_Flags.h"

namespace korvane {

// Out flags the Relative Curves effect adds to the framework's.
inline constexpr PF_OutFlags kRelativeOutFlags =
    PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING | PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_CUSTOM_UI;
inline constexpr PF_OutFlags2 kRelativeOutFlags2 = PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER;

// The Relative effect itself, as the host drives it (not a host), "KV Curves - Relative": each property of a
// pixel changed through a curve of another property, of the same pixel or of the base layer's. The curves and
// the per-property settings live in the "curve" parameter; "based on", "change by" and "change factor" mirror
// the settings of the property chosen in "change", and the node controls mirror the editor's active node. The
// editor state and the last render's histograms are the sequence data.
class RelativeCurvesAEHost : public AfterEffectsHost {
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
    // The one extra layer: n = 0 is "base layer" at host index 11.
    std::int32_t layerParameter(std::int32_t n, std::string* name) override;

private:
    // The render set-up shared by the three depths.
    template <class Pixel>
    std::int32_t renderAtDepth(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers);
};

} // namespace korvane
