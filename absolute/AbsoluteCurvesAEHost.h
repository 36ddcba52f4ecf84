#pragma once
#include "absolute/AbsoluteEditorPresentation.h"
#include "absolute/AbsoluteParameters.h"
#include "curves/EffectTraits.h"
#include "editor/CurvesAEHost.h"

#include <string_view>

namespace korvane {

// What the shared curves host needs of the Absolute effect.
struct AbsoluteHostTraits {
    using CurveTraits = AbsoluteTraits;
    using Presentation = AbsoluteEditorPresentation;
    static constexpr PF_ParamIndex kCurveParam = kParamCurve;
    static constexpr std::int32_t kParameterCount = kAbsoluteParameterCount;
    static constexpr std::string_view kClassName = "AbsoluteCurvesAEHost";
    // The plug-in file's names: menu and match name, and the name (framed by the Windows-1252 guillemets
    // 0xBB and 0xAB) and about text the effect object carries.
    static constexpr std::string_view kMenuName = "KV Curves - Absolute";
    static constexpr std::string_view kMatchName = "TQKV Absolute Curves";
    static constexpr const char* kIdentityName = "\xBB"
                                                 "Absolute Curves"
                                                 "\xAB";
    static constexpr const char* kDescription =
        "Absolute Curves.\n\nKorvane colour tools. All rights reserved.\n";
    static PF_Err registerParameters(PF_InData& in_data) { return registerAbsoluteParameters(in_data); }
};

extern template class CurvesAEHost<AbsoluteHostTraits>;

// The Absolute effect itself, as the host drives it (not a host), "KV Curves - Absolute": input-to-output
// curves per channel. The curves live in the "curve" parameter, the editor state and the last render's
// histograms in the sequence data (both kept as the Relative effect keeps them: CurvesAEHost); parameters
// 4 to 7 mirror the editor's active node.
class AbsoluteCurvesAEHost : public CurvesAEHost<AbsoluteHostTraits> {
public:
    using CurvesAEHost::CurvesAEHost;

    PF_Err userChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                            PF_LayerDef* output, void* extra) override;
    PF_Err updateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                          PF_LayerDef* output, void* extra) override;

    std::int32_t render8(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers) override;
    std::int32_t render16(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers) override;
    std::int32_t renderFloat(const ImageDesc& input, const ImageDesc& output,
                             const LayerMap& layers) override;

private:
    // The render set-up shared by the three depths.
    template <class Pixel>
    std::int32_t renderAtDepth(const ImageDesc& input, const ImageDesc& output);
};

} // namespace korvane
