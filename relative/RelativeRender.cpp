// The render set-up of the three depths: curves and settings from the parameters, the base layer and the
// sequence data into an RgbaCurvesFilter; its histograms back into the sequence data once it succeeded.
#include "curves/CurveSet.h"
#include "curves/EditorState.h"
#include "curves/EffectTraits.h"
#include "curves/HostHandle.h"
#include "curves/SequenceData.h"
#include "pixels/PixelArray.h"
#include "pixels/PixelRGB.h"
#include "relative/NodeRange.h"
#include "framework/ParamCheckout.h"
#include "relative/RelativeCurvesAEHost.h"
#include "relative/RelativeParameters.h"
#include "relative/RgbaCurvesFilter.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

namespace korvane {

namespace {

std::int32_t pixelCount(const ImageDesc& image) {
    const std::int64_t count =
        std::int64_t(std::max(image.width, 0)) * std::int64_t(std::max(image.height, 0));
    return std::int32_t(std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
}

// What the render takes from the sequence data: the histogram settings of the first editor state (the
// editor keeps them equal in all eight) and the active node of the curve the editor shows.
void readEditorSettings(const EditorStateSet& stored, const RelativeCurveSet& set,
                        relative::RenderSettings& settings) {
    // Raw sequence data may hold anything: read a copy made safe to use.
    auto states = std::make_unique<EditorStateSet>(stored);
    makeEditorStateSetSafe<RelativeTraits>(*states);
    const EditorState& first = states->states[0];
    if (first.histogram == relative::kHistogramSource || first.histogram == relative::kHistogramResult) {
        settings.histogramMode = first.histogram;
    }
    settings.histogramStart = first.viewXStart;
    settings.histogramEnd = first.viewXEnd;
    const int shown = resolveCurve(set, states->current);
    settings.nodeRange =
        relative::activeNodeRange(set.curves[std::size_t(shown)], states->states[std::size_t(shown)].active);
}

} // namespace

template <class Pixel>
std::int32_t RelativeCurvesAEHost::renderAtDepth(const ImageDesc& input, const ImageDesc& output,
                                                 const LayerMap& layers) {
    if (inData_ == nullptr || inData_->utils == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_InData& in = *inData_;
    const PF_UtilCallbacks& utils = *in.utils;
    auto filter = std::make_unique<relative::RgbaCurvesFilter<Pixel>>(*this);
    auto set = std::make_unique<RelativeCurveSet>();

    // Checked in again in the reverse order on every path.
    const ParamCheckout curve(in, kParamCurve);
    if (curve.status() != PF_Err_NONE) {
        return curve.status();
    }
    {
        const HostHandleLock lock(utils, curve.def().u.arb_d.value, sizeof(RelativeCurveSet));
        if (!lock) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        // The filter reads a copy: the editor may change the value while an earlier frame renders.
        *set = lock.as<RelativeCurveSet>();
    }
    const ParamCheckout preBlur(in, kParamPreBlur);
    if (preBlur.status() != PF_Err_NONE) {
        return preBlur.status();
    }
    const ParamCheckout change(in, kParamChange);
    if (change.status() != PF_Err_NONE) {
        return change.status();
    }
    const ParamCheckout show(in, kParamShow);
    if (show.status() != PF_Err_NONE) {
        return show.status();
    }

    relative::RenderSettings settings;
    settings.preBlurRadius = preBlur.def().u.fs_d.value;
    const A_long showValue = show.def().u.pd.value;
    settings.showMode = showValue >= 1 && showValue <= 4 ? showValue - 1 : relative::kShowNormal;
    settings.histogramProperty = resolveInput(*set, change.def().u.pd.value - 1);
    bool rawSequence = false;
    if (in.sequence_data != nullptr) {
        const HostHandleLock lock(utils, in.sequence_data, sizeof(EditorStateSet));
        if (!lock) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        // Flat sequence data (text) has no histogram fields to read or fill.
        rawSequence = lock.as<EditorStateSet>().format == 0;
        if (rawSequence) {
            readEditorSettings(lock.as<EditorStateSet>(), *set, settings);
        }
    }

    PixelArray<Pixel> source;
    if (const auto base = layers.find(kBaseLayerName); base != layers.end()) {
        source = PixelArray<Pixel>::fromImage(base->second);
    }
    auto histograms = std::make_unique<relative::HistogramArrays>();
    filter->setImages(PixelArray<Pixel>::fromImage(input), PixelArray<Pixel>::fromImage(output), source);
    filter->setCurves(*set);
    filter->setSettings(settings);
    filter->setHistograms(histograms.get());
    const std::int32_t status = filter->apply(0, 1);
    if (status != noError() || !rawSequence) {
        return status;
    }
    const HostHandleLock lock(utils, in.sequence_data, sizeof(EditorStateSet));
    if (!lock) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    auto& states = lock.as<EditorStateSet>();
    states.histogramMode = settings.histogramMode;
    if (settings.histogramMode != relative::kHistogramOff) {
        states.histogramPixels = pixelCount(input);
        states.histogramBins = *histograms;
    }
    return status;
}

std::int32_t RelativeCurvesAEHost::render8(const ImageDesc& input, const ImageDesc& output,
                                           const LayerMap& layers) {
    return renderAtDepth<Pixel8>(input, output, layers);
}

std::int32_t RelativeCurvesAEHost::render16(const ImageDesc& input, const ImageDesc& output,
                                            const LayerMap& layers) {
    return renderAtDepth<Pixel16>(input, output, layers);
}

std::int32_t RelativeCurvesAEHost::renderFloat(const ImageDesc& input, const ImageDesc& output,
                                               const LayerMap& layers) {
    return renderAtDepth<PixelFloat>(input, output, layers);
}

} // namespace korvane
