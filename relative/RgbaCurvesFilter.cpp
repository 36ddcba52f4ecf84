#include "relative/RgbaCurvesFilter.h"

#include "curves/EffectTraits.h"
#include "pixels/BandSplit.h"
#include "pixels/ChannelStore.h"
#include "pixels/FloatRange.h"
#include "pixels/GlowFilter.h"
#include "relative/PostBlurComposite.h"
#include "relative/RenderPhases.h"
#include "relative/RunScratch.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvane::relative {

namespace {

constexpr double kSlope = RelativeTraits::kNeutralSlope;
// The accumulation is kept in single precision, so a mix that should land on a whole channel value may come
// out a hair below it; truncating that would darken a uniform region by a step. Single-precision errors at
// 8 bits stay far below this.
constexpr double kCompositeTolerance = 1e-3;

template <class Pixel>
typename Pixel::Value compositeStore(double value) {
    if constexpr (Pixel::kIsFloat) {
        return truncateToChannel<Pixel>(value);
    } else {
        return truncateToChannel<Pixel>(value + kCompositeTolerance);
    }
}

} // namespace

template <class Pixel>
void RgbaCurvesFilter<Pixel>::setImages(const PixelArray<Pixel>& input, const PixelArray<Pixel>& output,
                                        const PixelArray<Pixel>& source) {
    input_ = input;
    output_ = output;
    source_ = source;
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::prepare() {
    plan_ = planProperties(curves_);
    for (std::size_t k = 0; k < kPropertyCount; ++k) {
        knots_[k] = KnotList(curves_.curves[k], kSlope);
        // A factor that is not a number (hand-edited text) changes nothing rather than everything.
        const double factor = curves_.changeFactor[k];
        factors_[k] =
            std::isfinite(factor) ? std::clamp(factor, -kLargestChangeFactor, kLargestChangeFactor) : 0.0;
        addition_[k] = curves_.changeBy[k] == kAddition;
    }
    postBlurFactor_ = factors_[kPostBlur];
    const std::int32_t show = settings_.showMode;
    postBlurStep_ = show != kShowNodeRange && postBlurFactor_ != 0.0 && plan_.active[kPostBlur];
    // The weights only matter where the blur is applied; the mattes read the weight itself.
    accumulate_ = postBlurStep_ && show == kShowNormal;
    histogramValueNeeded_ = show == kShowNodeRange || settings_.histogramMode == kHistogramSource;
    // The node range view changes nothing: it reads only the histogram property.
    bool anyNeeded = false;
    for (std::size_t p = 0; p < kSourceCount; ++p) {
        computeSource_[p] = show != kShowNodeRange && plan_.needed[p];
        anyNeeded = anyNeeded || computeSource_[p];
    }
    sourceNeeded_ = anyNeeded || histogramValueNeeded_;
    if (!Pixel::kIsFloat && computeSource_[kHue] && !hueEntriesReady_) {
        hueEntries_ = HueEntryFinder(Pixel::kMaxValue);
        hueEntriesReady_ = true;
    }
    if (Pixel::kMaxValue == 255 && computeSource_[kSaturation] && saturationEntries_ == nullptr) {
        saturationEntries_ = std::make_shared<const SaturationEntries>();
    }
    switch (show) {
    case kShowNodeRange:
        band_ = &RgbaCurvesFilter::mainBand<kShowNodeRange>;
        break;
    case kShowMatte:
        band_ = &RgbaCurvesFilter::mainBand<kShowMatte>;
        break;
    case kShowColoredMatte:
        band_ = &RgbaCurvesFilter::mainBand<kShowColoredMatte>;
        break;
    default:
        band_ = &RgbaCurvesFilter::mainBand<kShowNormal>;
        break;
    }
}

template <class Pixel>
std::int32_t RgbaCurvesFilter<Pixel>::apply(std::int32_t segmentIndex, std::int32_t segmentCount) {
    setSegment(segmentIndex, segmentCount);
    segmentCount_ = std::max(segmentCount, 1);
    segmentIndex_ = std::clamp(segmentIndex, 0, segmentCount_ - 1);
    prepare();
    if (histograms_ != nullptr) {
        for (auto& counts : *histograms_) {
            std::fill(counts.begin(), counts.end(), 0);
        }
    }
    // Every scratch block of the render lives here and goes back to the host on every path out.
    ScratchBuffer tableBlock(host());
    ScratchBuffer hueBlock(host());
    ScratchBuffer preBlurFirst(host());
    ScratchBuffer preBlurSecond(host());
    ScratchBuffer accumulationBlock(host());
    ScratchBuffer intermediateBlock(host());
    ScratchBuffer weightBlock(host());
    ScratchBuffer bandCountBlock(host());
    ScratchBuffer channelBlock(host());
    const PixelArray<Pixel> originalSource = source_;
    struct Restore {
        RgbaCurvesFilter& filter;
        const PixelArray<Pixel>& source;
        ~Restore() {
            // No view of a released block stays behind.
            filter.source_ = source;
            filter.accumulation_ = {};
            filter.weights_ = {};
            filter.bandCounts_ = nullptr;
            filter.tables_.fill(nullptr);
            filter.hueCosine_ = nullptr;
            filter.hueSine_ = nullptr;
            filter.channelPassOn_ = false;
        }
    } restore{*this, originalSource};

    if (const std::int32_t status = buildTables(tableBlock, hueBlock); status != noError()) {
        return status;
    }
    if (input_.present == 0 || output_.present == 0) {
        return noError();
    }
    if (const std::int32_t status = preBlur(preBlurFirst, preBlurSecond); status != noError()) {
        return status;
    }
    // Input and output share their size; should a host hand over different ones, only the common part is
    // read and written.
    width_ = std::min(input_.width, output_.width);
    height_ = std::min(input_.height, output_.height);
    if (accumulate_) {
        const std::optional<std::size_t> bytes = scratchImageBytes(width_, height_, sizeof(Accumulation));
        const std::optional<std::size_t> weightBytes =
            scratchImageBytes(width_, height_, sizeof(WeightPixel));
        if (!bytes || !weightBytes || !accumulationBlock.allocate(*bytes) ||
            !intermediateBlock.allocate(*bytes) || !weightBlock.allocate(*weightBytes)) {
            return outOfMemoryError();
        }
        accumulation_ = PixelArray<Accumulation>::overScratch(width_, height_, input_.originX, input_.originY,
                                                              accumulationBlock.data());
        weights_ = PixelArray<WeightPixel>::overScratch(width_, height_, input_.originX, input_.originY,
                                                        weightBlock.data());
    }
    const std::int32_t bands = bandCount(height_);
    counter_ = HistogramCounter(kHistogramBins, settings_.histogramStart, settings_.histogramEnd);
    countingMode_ =
        histograms_ != nullptr && counter_.usable() &&
                (settings_.histogramMode == kHistogramSource || settings_.histogramMode == kHistogramResult)
            ? settings_.histogramMode
            : kHistogramOff;
    const std::size_t countsPerBand = std::size_t(kHistogramArrays) * kHistogramBins;
    if (countingMode_ != kHistogramOff) {
        if (!bandCountBlock.allocate(std::size_t(bands) * countsPerBand * sizeof(std::int32_t))) {
            return outOfMemoryError();
        }
        bandCounts_ = static_cast<std::int32_t*>(bandCountBlock.data());
        std::fill_n(bandCounts_, std::size_t(bands) * countsPerBand, 0);
    }

    if (!setUpChannelPass(channelBlock)) {
        return outOfMemoryError();
    }
    std::int32_t status = runBands(bands);
    if (status == noError() && accumulate_) {
        GlowFilter<Accumulation> blur(host());
        const double radius = std::fabs(postBlurFactor_);
        blur.setRadii(radius * input_.downsampleX, radius * input_.downsampleY);
        const std::int32_t base = segmentIndex_ * kPhaseCount;
        blur.setProgressUnits(base + kPhasePostBlurRows, base + kPhasePostBlurColumns,
                              segmentCount_ * kPhaseCount);
        const auto intermediate = PixelArray<Accumulation>::overScratch(
            width_, height_, input_.originX, input_.originY, intermediateBlock.data());
        blur.setPassViews(accumulation_, intermediate);
        status = blur.runHorizontalPass();
        if (status == noError()) {
            blur.setPassViews(intermediate, accumulation_);
            status = blur.runVerticalPass();
        }
        if (status == noError()) {
            status = runEach<&RgbaCurvesFilter::compositeBand>(bands);
        }
    }
    if (status == noError() && bandCounts_ != nullptr) {
        sumBandCounts(bands);
    }
    return status;
}

template <class Pixel>
bool RgbaCurvesFilter<Pixel>::setUpChannelPass(ScratchBuffer& block) {
    channelPassOn_ = false;
    if constexpr (ChannelTablePass<Pixel>::kDepthServed) {
        if (band_ != &RgbaCurvesFilter::mainBand<kShowNormal> || postBlurStep_ ||
            countingMode_ != kHistogramOff || !ChannelTablePass<Pixel>::servesPlan(plan_.active)) {
            return true;
        }
        std::array<const float*, kPropertyCount> tables{};
        std::array<std::int32_t, kPropertyCount> sourceOf{};
        for (std::size_t k = 0; k < kPropertyCount; ++k) {
            if (plan_.active[k]) {
                const auto u = std::size_t(plan_.usedCurve[k]);
                tables[k] = tables_[u];
                sourceOf[k] = curves_.basedOn[u];
            }
        }
        if (!channelPass_.build(block, plan_.active, tables, sourceOf, factors_, addition_, &hueEntries_,
                                saturationEntries_.get())) {
            return false;
        }
        channelPassOn_ = true;
    }
    return true;
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::sumBandCounts(std::int32_t bands) {
    for (std::int32_t band = 0; band < bands; ++band) {
        const std::int32_t* partial = bandCounts_ + std::size_t(band) * kHistogramArrays * kHistogramBins;
        for (std::size_t k = 0; k < std::size_t(kHistogramArrays); ++k) {
            auto& counts = (*histograms_)[k];
            for (std::size_t bin = 0; bin < std::size_t(kHistogramBins); ++bin) {
                counts[bin] += partial[k * kHistogramBins + bin];
            }
        }
    }
}

template <class Pixel>
std::int32_t RgbaCurvesFilter<Pixel>::processBand(std::int32_t band, std::int32_t bandCount) {
    if (band_ == nullptr) {
        return noError();
    }
    return (this->*band_)(band, bandCount);
}

template <class Pixel>
template <ShowMode Show>
void RgbaCurvesFilter<Pixel>::storeRun(const Pixel* input, Pixel* output, const ColourRun& run,
                                       const RunScratch& scratch) const {
    const std::int32_t count = run.count;
    if constexpr (Show == kShowNormal || Show == kShowNodeRange) {
        for (std::int32_t i = 0; i < count; ++i) {
            Pixel& p = output[i];
            p.alpha() = roundToChannel<Pixel>(run.alpha[i]);
            p.red() = roundToChannel<Pixel>(run.red[i]);
            p.green() = roundToChannel<Pixel>(run.green[i]);
            p.blue() = roundToChannel<Pixel>(run.blue[i]);
        }
    } else {
        double matte[kRunPixels];
        std::fill_n(matte, count, 1.0);
        for (std::size_t k = 0; k < kPropertyCount; ++k) {
            if (!plan_.active[k] || (k == kPostBlur && !postBlurStep_)) {
                continue;
            }
            const double* d = scratch.amount[k];
            for (std::int32_t i = 0; i < count; ++i) {
                matte[i] *= 1.0 - matteAmount(d[i]);
            }
        }
        const auto full = static_cast<typename Pixel::Value>(Pixel::kMaxValue);
        for (std::int32_t i = 0; i < count; ++i) {
            const auto value = truncateToChannel<Pixel>((1.0 - matte[i]) * Pixel::kMax);
            Pixel& p = output[i];
            if constexpr (Show == kShowMatte) {
                p.red() = value;
                p.green() = value;
                p.blue() = value;
                p.alpha() = full;
            } else {
                const Pixel own = input[i];
                p.red() = own.red();
                p.green() = own.green();
                p.blue() = own.blue();
                p.alpha() = value;
            }
        }
    }
}

template <class Pixel>
template <ShowMode Show>
std::int32_t RgbaCurvesFilter<Pixel>::mainBand(std::int32_t band, std::int32_t bandCount) {
    const RowRange rows = bandRows(band, bandCount, height_);
    std::int32_t* counts = bandCounts_ != nullptr
                               ? bandCounts_ + std::size_t(band) * kHistogramArrays * kHistogramBins
                               : nullptr;
    ColourRun run;
    RunScratch scratch;
    Pixel sourceBuffer[kRunPixels];
    for (std::int32_t y = rows.begin; y < rows.end; ++y) {
        const Pixel* input = input_.row(y);
        Pixel* output = output_.row(y);
        for (std::int32_t x0 = 0; x0 < width_; x0 += kRunPixels) {
            const std::int32_t count = std::min(kRunPixels, width_ - x0);
            if constexpr (Show == kShowNormal && ChannelTablePass<Pixel>::kDepthServed) {
                if (channelPassOn_) {
                    const Pixel* source =
                        sourceNeeded_ ? sourcePixels(y, x0, count, sourceBuffer) : input + x0;
                    channelPass_.run(input + x0, source, output + x0, count);
                    continue;
                }
            }
            run.count = count;
            scratch.count = count;
            for (std::int32_t i = 0; i < count; ++i) {
                const Pixel& p = input[x0 + i];
                run.alpha[i] = double(p.alpha());
                run.red[i] = double(p.red());
                run.green[i] = double(p.green());
                run.blue[i] = double(p.blue());
            }
            if (sourceNeeded_) {
                loadSource(y, x0, run, scratch);
                computeSources(scratch);
            }
            if constexpr (Show == kShowNodeRange) {
                nodeRangeColours(run, scratch);
            } else {
                computeAmounts(scratch);
                applyChanges(run, scratch);
                if (accumulate_) {
                    accumulateRun(y, x0, run, scratch);
                }
            }
            if (counts != nullptr) {
                countRun(run, scratch, counts);
            }
            if constexpr (Pixel::kIsFloat && Show == kShowNormal) {
                // Large factors over large pixels can leave the float range.
                for (double* channel : {run.red, run.green, run.blue, run.alpha}) {
                    keepWithinFloatRange(channel, count);
                }
            }
            storeRun<Show>(input + x0, output + x0, run, scratch);
        }
        if (const std::int32_t status = reportRow(y, height_, kPhaseMain, kPhaseCount); status != noError()) {
            return status;
        }
    }
    return noError();
}

template <class Pixel>
std::int32_t RgbaCurvesFilter<Pixel>::compositeBand(std::int32_t band, std::int32_t bandCount) {
    // Integer stores clamp whatever is finite; float stores must stay within the float range.
    constexpr double kLargest =
        Pixel::kIsFloat ? double(std::numeric_limits<float>::max()) : std::numeric_limits<double>::max();
    const RowRange rows = bandRows(band, bandCount, height_);
    for (std::int32_t y = rows.begin; y < rows.end; ++y) {
        const Accumulation* sums = accumulation_.row(y);
        const WeightPixel* weights = weights_.row(y);
        Pixel* output = output_.row(y);
        for (std::int32_t x = 0; x < width_; ++x) {
            const Accumulation& sum = sums[x];
            Pixel& p = output[x];
            CompositePixel pixel{double(p.alpha()), double(p.red()), double(p.green()), double(p.blue())};
            const BlurredAccumulation blurred{double(sum.alpha()), double(sum.red()), double(sum.green()),
                                              double(sum.blue()), double(sum.weight())};
            if (compositePostBlur(blurred, double(weights[x].weight), Pixel::kMax, kLargest, pixel)) {
                p.alpha() = compositeStore<Pixel>(pixel.alpha);
                p.red() = compositeStore<Pixel>(pixel.red);
                p.green() = compositeStore<Pixel>(pixel.green);
                p.blue() = compositeStore<Pixel>(pixel.blue);
            }
        }
        if (const std::int32_t status = reportRow(y, height_, kPhaseComposite, kPhaseCount);
            status != noError()) {
            return status;
        }
    }
    return noError();
}

template class RgbaCurvesFilter<Pixel8>;
template class RgbaCurvesFilter<Pixel16>;
template class RgbaCurvesFilter<PixelFloat>;

} // namespace korvane::relative
