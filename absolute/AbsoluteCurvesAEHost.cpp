#include "absolute/AbsoluteCurvesAEHost.h"

#include "framework/ImageCopy.h"

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

// With default curves every channel passes through unchanged.
std::int32_t AbsoluteCurvesAEHost::render8(const ImageDesc& input, const ImageDesc& output, const LayerMap&) {
    return copyImage(input, output) ? noError() : PF_Err_BAD_CALLBACK_PARAM;
}

std::int32_t AbsoluteCurvesAEHost::render16(const ImageDesc& input, const ImageDesc& output,
                                            const LayerMap&) {
    return copyImage(input, output) ? noError() : PF_Err_BAD_CALLBACK_PARAM;
}

std::int32_t AbsoluteCurvesAEHost::renderFloat(const ImageDesc& input, const ImageDesc& output,
                                               const LayerMap&) {
    return copyImage(input, output) ? noError() : PF_Err_BAD_CALLBACK_PARAM;
}

} // namespace korvane
