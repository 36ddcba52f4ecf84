#pragma once
#include "framework/AfterEffectsHost.h"
#include "hostapi/PF_Flags.h"

namespace korvane {

// Out flags the Relative Curves effect adds to the framework's.
inline constexpr PF_OutFlags kRelativeOutFlags =
    PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING | PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_CUSTOM_UI;
inline constexpr PF_OutFlags2 kRelativeOutFlags2 = PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER;

// "KV Curves - Relative": each property of a pixel changed through a curve of another.
class RelativeCurvesAEHost : public AfterEffectsHost {
public:
    using AfterEffectsHost::AfterEffectsHost;

    PF_Err globalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                       PF_LayerDef* output) override;

    std::int32_t render8(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers) override;
    std::int32_t render16(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers) override;
    std::int32_t renderFloat(const ImageDesc& input, const ImageDesc& output,
                             const LayerMap& layers) override;
};

} // namespace korvane
