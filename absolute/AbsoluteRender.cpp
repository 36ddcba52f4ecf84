// The render set-up of the three depths: curves and settings from the parameters and the sequence data into
// an RgbaCurvesFilter, its histograms back into the sequence data.
#include "absolute/AbsoluteCurvesAEHost.h"
#include "absolute/AbsoluteParameters.h"
#include "framework/ParamCheckout.h"
#include "absolute/RgbaCurvesFilter.h"
#include "curves/CurveSet.h"
#include "curves/EditorState.h"
#include "curves/HostHandle.h"
#include "pixels/PixelArray.h"
#include "pixels/PixelRGB.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace korvane {

namespace {

std::int32_t pixelCount(const ImageDesc& image) {
    const std::int64_t count =
        std::int64_t(std::max(image.width, 0)) * std::int64_t(std::max(image.height, 0));
    return std::int32_t(std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

template <class Pixel>
std::int32_t AbsoluteCurvesAEHost::renderAtDepth(const ImageDesc& input, const ImageDesc& output) {
    if (inData_ == nullptr || inData_->utils == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_InData& in = *inData_;
    const PF_UtilCallbacks& utils = *in.utils;
    absolute::RgbaCurvesFilter<Pixel> filter(*this);

    // Declared in the order 2, 1, 8, so that they go back to the host as 8, 1, 2 on every path.
    const ParamCheckout curve(in, kParamCurve);
    if (curve.status() != PF_Err_NONE) {
        return curve.status();
    }
    {
        const HostHandleLock lock(utils, curve.def().u.arb_d.value, sizeof(AbsoluteCurveSet));
        if (!lock) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        filter.setCurves(lock.as<AbsoluteCurveSet>());
    }
    const ParamCheckout channel(in, kParamChannel);
    if (channel.status() != PF_Err_NONE) {
        return channel.status();
    }
    const ParamCheckout invert(in, kParamInvertAll);
    if (invert.status() != PF_Err_NONE) {
        return invert.status();
    }
    filter.setInvert(invert.def().u.bd.value != 0);

    if (in.sequence_data == nullptr) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    // The histogram settings are those of the first editor state, whichever channel the editor shows.
    std::int32_t mode = absolute::kHistogramOff;
    double low = 0.0;
    double high = 1.0;
    bool rawSequence = false;
    {
        const HostHandleLock lock(utils, in.sequence_data, sizeof(EditorStateSet));
        if (!lock) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        const auto& states = lock.as<EditorStateSet>();
        // Flat sequence data (text) has no histogram fields to read or fill.
        rawSequence = states.format == 0;
        const EditorState& first = states.states[0];
        if (rawSequence &&
            (first.histogram == absolute::kHistogramChannel || first.histogram == absolute::kHistogramRgb)) {
            mode = first.histogram;
            low = first.viewXStart;
            high = first.viewXEnd;
        }
    }
    absolute::HistogramArrays histograms{};
    filter.setHistogram(mode, channel.def().u.pd.value - 1, low, high, &histograms);
    filter.setImages(PixelArray<Pixel>::fromImage(input), PixelArray<Pixel>::fromImage(output));

    const std::int32_t status = filter.apply(0, 1);
    if (status != noError() || !rawSequence) {
        return status;
    }
    const HostHandleLock lock(utils, in.sequence_data, sizeof(EditorStateSet));
    if (!lock) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    auto& states = lock.as<EditorStateSet>();
    states.histogramMode = mode;
    if (mode != absolute::kHistogramOff) {
        states.histogramPixels = pixelCount(input);
        states.histogramBins = histograms;
    }
    return status;
}

std::int32_t AbsoluteCurvesAEHost::render8(const ImageDesc& input, const ImageDesc& output, const LayerMap&) {
    return renderAtDepth<Pixel8>(input, output);
}

std::int32_t AbsoluteCurvesAEHost::render16(const ImageDesc& input, const ImageDesc& output,
                                            const LayerMap&) {
    return renderAtDepth<Pixel16>(input, output);
}

std::int32_t AbsoluteCurvesAEHost::renderFloat(const ImageDesc& input, const ImageDesc& output,
                                               const LayerMap&) {
    return renderAtDepth<PixelFloat>(input, output);
}

} // namespace korvane
