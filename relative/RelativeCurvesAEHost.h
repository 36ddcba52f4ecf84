#pragma once
#include "curves/EffectTraits.h"
#include "editor/CurvesAEHost.h"
#include "relative/RelativeEditorPresentation.h"
#include "relative/RelativeParameters.h"

#include <string>
#include <string_view>

namespace korvane {

// What the shared curves host needs of the Relative effect.
struct RelativeHostTraits {
    using CurveTraits = RelativeTraits;
    using Presentation = RelativeEditorPresentation;
    static constexpr PF_ParamIndex kCurveParam = kParamCurve;
    static constexpr std::int32_t kParameterCount = kRelativeParameterCount;
    static constexpr std::string_view kClassName = "RelativeCurvesAEHost";
    // The plug-in file's names: menu and match name, and the name (framed by the Windows-1252 guillemets
    // 0xBB and 0xAB) and about text the effect object carries.
    static constexpr std::string_view kMenuName = "KV Curves - Relative";
    static constexpr std::string_view kMatchName = "TQKV Relative Curves";
    static constexpr const char* kIdentityName = "\xBB"
                                                 "Relative Curves"
                                                 "\xAB";
    static constexpr const char* kDescription =
        "Relative Curves.\n\nKorvane colour tools. All rights reserved.\n";
    static PF_Err registerParameters(PF_InData& in_data) { return registerRelativeParameters(in_data); }
};

extern template class CurvesAEHost<RelativeHostTraits>;

// The Relative effect itself, as the host drives it (not a host), "KV Curves - Relative": each property of a
// pixel changed through a curve of another property, of the same pixel or of the base layer's. The curves and
// the per-property settings live in the "curve" parameter; "based on", "change by" and "change factor" mirror
// the settings of the property chosen in "change", and the node controls mirror the editor's active node. The
// editor state and the last render's histograms are the sequence data (kept as the Absolute effect keeps
// them: CurvesAEHost).
class RelativeCurvesAEHost : public CurvesAEHost<RelativeHostTraits> {
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

    // The one extra layer: n = 0 is "base layer" at host index 11.
    std::int32_t layerParameter(std::int32_t n, std::string* name) override;

private:
    // The render set-up shared by the three depths.
    template <class Pixel>
    std::int32_t renderAtDepth(const ImageDesc& input, const ImageDesc& output, const LayerMap& layers);
};

} // namespace korvane
