#include "relative/RelativeCurvesAEHost.h"

#include "framework/ImageCopy.h"

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

// With default curves no property changes.
std::int32_t RelativeCurvesAEHost::render8(const ImageDesc& input, const ImageDesc& output, const LayerMap&) {
    return copyImage(input, output) ? noError() : PF_Err_BAD_CALLBACK_PARAM;
}

std::int32_t RelativeCurvesAEHost::render16(const ImageDesc& input, const ImageDesc& output,
                                            const LayerMap&) {
    return copyImage(input, output) ? noError() : PF_Err_BAD_CALLBACK_PARAM;
}

std::int32_t RelativeCurvesAEHost::renderFloat(const ImageDesc& input, const ImageDesc& output,
                                               const LayerMap&) {
    return copyImage(input, output) ? noError() : PF_Err_BAD_CALLBACK_PARAM;
}

} // namespace korvane
