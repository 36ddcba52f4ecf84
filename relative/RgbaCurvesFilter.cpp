#include "relative/RgbaCurvesFilter.h"

#include "curves/EffectTraits.h"
#include "pixels/BandSplit.h"
#include "pixels/ChannelStore.h"
#include "pixels/ColourProperties.h"
#include "pixels/FloatRange.h"
#include "pixels/GlowFilter.h"
#include "relative/PostBlurComposite.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace korvane::relative {

namespace {

constexpr double kSlope = RelativeTraits::kNeutralSlope;
// Table building asks the host whether the user aborted after every so many entries.
constexpr std::int32_t kTableProgressInterval = 1000;
// The six progress phases of the filter's segment.
constexpr std::int32_t kPhaseCount = 6;
constexpr std::int32_t kPhasePreBlurRows = 0;
constexpr std::int32_t kPhasePreBlurColumns = 1;
constexpr std::int32_t kPhaseMain = 2;
constexpr std::int32_t kPhasePostBlurRows = 3;
constexpr std::int32_t kPhasePostBlurColumns = 4;
constexpr std::int32_t kPhaseComposite = 5;
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

// Entry of a table of last + 1 entries for an integer source value: its integer part, the last entry for
// values beyond the table (16-bit channels above 32768), entry 0 for anything below 0 or NaN.
inline std::int32_t tableIndex(double v, std::int32_t last) {
    if (!(v > 0.0)) {
        return 0;
    }
    return v < double(last) ? std::int32_t(v) : last;
}

// brightness() of the colour properties, here where the per-pixel loops can inline it.
inline double meanOf(double red, double green, double blue) {
    return (red + green + blue) * 0.3333333333333333;
}

template <class Pixel>
bool sameRectangle(const PixelArray<Pixel>& a, const PixelArray<Pixel>& b) {
    return a.width == b.width && a.height == b.height && a.originX == b.originX && a.originY == b.originY;
}

// Fills `to` with the pixels of `from` that lie under it, transparent black where `from` has none.
template <class Pixel>
void copyUnder(const PixelArray<Pixel>& from, const PixelArray<Pixel>& to) {
    const std::int64_t dx = std::int64_t(to.originX) - from.originX;
    const std::int64_t dy = std::int64_t(to.originY) - from.originY;
    const std::int64_t first = std::clamp<std::int64_t>(-dx, 0, to.width);
    const std::int64_t end = std::clamp<std::int64_t>(std::int64_t(from.width) - dx, first, to.width);
    for (std::int32_t y = 0; y < to.height; ++y) {
        Pixel* row = to.row(y);
        std::memset(static_cast<void*>(row), 0, std::size_t(to.width) * sizeof(Pixel));
        const std::int64_t sy = y + dy;
        if (from.present == 0 || sy < 0 || sy >= from.height || end <= first) {
            continue;
        }
        std::memcpy(static_cast<void*>(row + first), from.row(std::int32_t(sy)) + (first + dx),
                    std::size_t(end - first) * sizeof(Pixel));
    }
}

} // namespace

// One run of the main pass: the source properties, the value the histogram and the node range view read,
// and the amount of every property.
template <class Pixel>
struct RgbaCurvesFilter<Pixel>::RunScratch {
    std::int32_t count = 0;
    double source[kSourceCount][kRunPixels];
    double histogramValue[kRunPixels];
    double amount[kPropertyCount][kRunPixels];
    // Cosine and sine of the hue amount's angle.
    double hueCosine[kRunPixels];
    double hueSine[kRunPixels];
};

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
std::int32_t RgbaCurvesFilter<Pixel>::buildTables(ScratchBuffer& block, ScratchBuffer& hueBlock) {
    tables_.fill(nullptr);
    hueCosine_ = nullptr;
    hueSine_ = nullptr;
    if constexpr (Pixel::kIsFloat) {
        return noError();
    } else {
        tableLast_ = Pixel::kMaxValue;
        const std::size_t entries = std::size_t(tableLast_) + 1;
        std::array<bool, kPropertyCount> used{};
        std::size_t count = 0;
        for (std::size_t k = 0; k < kPropertyCount; ++k) {
            const auto u = std::size_t(plan_.usedCurve[k]);
            if (plan_.active[k] && !used[u]) {
                used[u] = true;
                ++count;
            }
        }
        if (count == 0) {
            return noError();
        }
        if (!block.allocate(count * entries * sizeof(float))) {
            return outOfMemoryError();
        }
        if (plan_.active[kHue] && !hueBlock.allocate(2 * entries * sizeof(double))) {
            return outOfMemoryError();
        }
        auto* next = static_cast<float*>(block.data());
        const double last = double(tableLast_);
        for (std::size_t u = 0; u < kPropertyCount; ++u) {
            if (!used[u]) {
                continue;
            }
            float* table = next;
            next += entries;
            for (std::int32_t j = 0; j <= tableLast_; ++j) {
                table[j] = float(knots_[u].evaluate(double(j) / last));
                if (j % kTableProgressInterval == 0) {
                    if (const std::int32_t status = host().progress(0, 1); status != noError()) {
                        return status;
                    }
                }
            }
            tables_[u] = table;
        }
        if (plan_.active[kHue]) {
            // The hue change needs the angle's cosine and sine of every amount the table can give.
            auto* cosine = static_cast<double*>(hueBlock.data());
            double* sine = cosine + entries;
            const float* table = tables_[std::size_t(plan_.usedCurve[kHue])];
            for (std::size_t j = 0; j < entries; ++j) {
                const double angle = kTwoPi * (factors_[kHue] * double(table[j]));
                cosine[j] = std::cos(angle);
                sine[j] = std::sin(angle);
            }
            hueCosine_ = cosine;
            hueSine_ = sine;
        }
        return noError();
    }
}

template <class Pixel>
std::int32_t RgbaCurvesFilter<Pixel>::preBlur(ScratchBuffer& first, ScratchBuffer& second) {
    const double radius = settings_.preBlurRadius;
    if (!(radius > 0.0) || output_.present == 0) {
        return noError();
    }
    const PixelArray<Pixel>& from = source_.present != 0 ? source_ : input_;
    const std::int32_t width = output_.width;
    const std::int32_t height = output_.height;
    const std::optional<std::size_t> bytes = scratchImageBytes(width, height, sizeof(Pixel));
    if (!bytes || !first.allocate(*bytes) || !second.allocate(*bytes)) {
        return outOfMemoryError();
    }
    // The blurred image has the output's size and origin. A source of another rectangle is first copied
    // under it, so that the blur reads only the source's own pixels and transparent black around them.
    const auto a =
        PixelArray<Pixel>::overScratch(width, height, output_.originX, output_.originY, first.data());
    const auto b =
        PixelArray<Pixel>::overScratch(width, height, output_.originX, output_.originY, second.data());
    PixelArray<Pixel> passInput = from;
    PixelArray<Pixel> intermediate = a;
    PixelArray<Pixel> blurred = b;
    if (!sameRectangle(from, output_) || from.present == 0) {
        copyUnder(from, a);
        passInput = a;
        intermediate = b;
        blurred = a;
    }
    GlowFilter<Pixel> blur(host());
    blur.setRadii(radius * input_.downsampleX, radius * input_.downsampleY);
    const std::int32_t base = segmentIndex_ * kPhaseCount;
    blur.setProgressUnits(base + kPhasePreBlurRows, base + kPhasePreBlurColumns, segmentCount_ * kPhaseCount);
    blur.setPassViews(passInput, intermediate);
    std::int32_t status = blur.runHorizontalPass();
    if (status == noError()) {
        blur.setPassViews(intermediate, blurred);
        status = blur.runVerticalPass();
    }
    if (status == noError()) {
        source_ = blurred;
    }
    return status;
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
void RgbaCurvesFilter<Pixel>::loadSource(std::int32_t y, std::int32_t x0, const ColourRun& run,
                                         RunScratch& scratch) const {
    double* red = scratch.source[kRed];
    double* green = scratch.source[kGreen];
    double* blue = scratch.source[kBlue];
    double* alpha = scratch.source[kAlpha];
    const std::int32_t count = run.count;
    if (source_.present == 0) {
        std::copy_n(run.red, count, red);
        std::copy_n(run.green, count, green);
        std::copy_n(run.blue, count, blue);
        std::copy_n(run.alpha, count, alpha);
        return;
    }
    // Only the source's own pixels are read; around them it is transparent black.
    const std::int64_t sy = std::int64_t(y) + input_.originY - source_.originY;
    const std::int64_t sx0 = std::int64_t(x0) + input_.originX - source_.originX;
    const std::int64_t first = std::clamp<std::int64_t>(-sx0, 0, count);
    const std::int64_t end = std::clamp<std::int64_t>(std::int64_t(source_.width) - sx0, first, count);
    if (sy < 0 || sy >= source_.height || end <= first) {
        for (double* channel : {red, green, blue, alpha}) {
            std::fill_n(channel, count, 0.0);
        }
        return;
    }
    for (double* channel : {red, green, blue, alpha}) {
        std::fill_n(channel, first, 0.0);
        std::fill(channel + end, channel + count, 0.0);
    }
    const Pixel* row = source_.row(std::int32_t(sy)) + sx0;
    for (std::int64_t i = first; i < end; ++i) {
        const Pixel& p = row[i];
        red[i] = double(p.red());
        green[i] = double(p.green());
        blue[i] = double(p.blue());
        alpha[i] = double(p.alpha());
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::computeSources(RunScratch& scratch) const {
    const double max = Pixel::kMax;
    const double* red = scratch.source[kRed];
    const double* green = scratch.source[kGreen];
    const double* blue = scratch.source[kBlue];
    const std::int32_t count = scratch.count;
    if (computeSource_[kBrightness]) {
        for (std::int32_t i = 0; i < count; ++i) {
            scratch.source[kBrightness][i] = meanOf(red[i], green[i], blue[i]);
        }
    }
    // Unit-free properties index the tables like channel values; grey has no hue and reads 0.
    if (computeSource_[kSaturation]) {
        for (std::int32_t i = 0; i < count; ++i) {
            const double s = saturation(red[i], green[i], blue[i]) * max;
            scratch.source[kSaturation][i] = s > 0.0 ? std::min(s, max) : 0.0;
        }
    }
    if (computeSource_[kHue]) {
        for (std::int32_t i = 0; i < count; ++i) {
            const double h = hue(red[i], green[i], blue[i]);
            scratch.source[kHue][i] = h > 0.0 ? std::min(h * max, max) : 0.0;
        }
    }
    if (histogramValueNeeded_) {
        const std::int32_t property = settings_.histogramProperty;
        double* v = scratch.histogramValue;
        const double* alpha = scratch.source[kAlpha];
        switch (property) {
        case kSaturation:
            for (std::int32_t i = 0; i < count; ++i) {
                v[i] = saturation(red[i], green[i], blue[i]);
            }
            break;
        case kHue:
            // Grey keeps the no-hue marker, below every range.
            for (std::int32_t i = 0; i < count; ++i) {
                v[i] = hue(red[i], green[i], blue[i]);
            }
            break;
        case kRed:
        case kGreen:
        case kBlue:
        case kAlpha: {
            const double* channel = property == kRed     ? red
                                    : property == kGreen ? green
                                    : property == kBlue  ? blue
                                                         : alpha;
            for (std::int32_t i = 0; i < count; ++i) {
                v[i] = channel[i] / max;
            }
            break;
        }
        default:
            for (std::int32_t i = 0; i < count; ++i) {
                v[i] = meanOf(red[i], green[i], blue[i]) / max;
            }
            break;
        }
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::computeAmounts(RunScratch& scratch) const {
    const std::int32_t count = scratch.count;
    for (std::size_t k = 0; k < kPropertyCount; ++k) {
        if (!plan_.active[k]) {
            continue;
        }
        const auto u = std::size_t(plan_.usedCurve[k]);
        const double* v = scratch.source[curves_.basedOn[u]];
        double* d = scratch.amount[k];
        // The post blur's weight is the curve's value itself.
        const double factor = k == kPostBlur ? 1.0 : factors_[k];
        if constexpr (Pixel::kIsFloat) {
            const KnotList& knots = knots_[u];
            for (std::int32_t i = 0; i < count; ++i) {
                d[i] = std::isfinite(v[i]) ? factor * knots.evaluate(v[i]) : 0.0;
            }
            if (k == kHue) {
                for (std::int32_t i = 0; i < count; ++i) {
                    const double angle = kTwoPi * d[i];
                    scratch.hueCosine[i] = std::cos(angle);
                    scratch.hueSine[i] = std::sin(angle);
                }
            }
        } else {
            const float* table = tables_[u];
            if (k == kHue) {
                for (std::int32_t i = 0; i < count; ++i) {
                    const std::int32_t j = tableIndex(v[i], tableLast_);
                    d[i] = factor * double(table[j]);
                    scratch.hueCosine[i] = hueCosine_[j];
                    scratch.hueSine[i] = hueSine_[j];
                }
            } else {
                for (std::int32_t i = 0; i < count; ++i) {
                    d[i] = factor * double(table[tableIndex(v[i], tableLast_)]);
                }
            }
        }
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::applyChanges(ColourRun& run, RunScratch& scratch) const {
    const double max = Pixel::kMax;
    const std::int32_t count = run.count;
    const auto& active = plan_.active;
    const auto channel = [&](std::size_t k, double* values) {
        if (active[k]) {
            addition_[k] ? channelChange<true>(values, scratch.amount[k], count, max)
                         : channelChange<false>(values, scratch.amount[k], count, max);
        }
    };
    if (active[kAlpha]) {
        addition_[kAlpha] ? alphaChange<true>(run.alpha, scratch.amount[kAlpha], count, max)
                          : alphaChange<false>(run.alpha, scratch.amount[kAlpha], count, max);
    }
    channel(kBlue, run.blue);
    channel(kGreen, run.green);
    channel(kRed, run.red);
    if (active[kHue]) {
        hueChange(run, scratch.hueCosine, scratch.hueSine);
    }
    if (active[kSaturation]) {
        addition_[kSaturation] ? saturationChange<true>(run, scratch.amount[kSaturation])
                               : saturationChange<false>(run, scratch.amount[kSaturation]);
    }
    if (active[kBrightness]) {
        addition_[kBrightness] ? brightnessChange<true>(run, scratch.amount[kBrightness], max)
                               : brightnessChange<false>(run, scratch.amount[kBrightness], max);
    }
    if (postBlurStep_) {
        const bool inverted = postBlurFactor_ < 0.0;
        double* w = scratch.amount[kPostBlur];
        for (std::int32_t i = 0; i < count; ++i) {
            w[i] = postBlurWeight(w[i], inverted);
        }
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::nodeRangeColours(ColourRun& run, const RunScratch& scratch) const {
    const double max = Pixel::kMax;
    const NodeRange& range = settings_.nodeRange;
    const double rise = range.node > range.left ? max / (range.node - range.left) : 0.0;
    const double fall = range.right > range.node ? max / (range.right - range.node) : 0.0;
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double v = scratch.histogramValue[i];
        run.red[i] = v >= range.left && v <= range.node ? (v - range.left) * rise : 0.0;
        run.green[i] = v >= range.node && v <= range.right ? (range.right - v) * fall : 0.0;
        run.blue[i] = 0.0;
        run.alpha[i] = max;
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::countRun(const ColourRun& run, const RunScratch& scratch,
                                       std::int32_t* counts) const {
    if (countingMode_ == kHistogramSource) {
        for (std::int32_t i = 0; i < run.count; ++i) {
            counter_.count(counts, scratch.histogramValue[i]);
        }
    } else if (countingMode_ == kHistogramResult) {
        const double max = Pixel::kMax;
        for (std::int32_t i = 0; i < run.count; ++i) {
            counter_.count(counts, run.red[i] / max);
            counter_.count(counts + kHistogramBins, run.green[i] / max);
            counter_.count(counts + 2 * kHistogramBins, run.blue[i] / max);
        }
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::accumulateRun(std::int32_t y, std::int32_t x0, const ColourRun& run,
                                            const RunScratch& scratch) const {
    const double unit = 1.0 / Pixel::kMax;
    Accumulation* sums = accumulation_.row(y) + x0;
    WeightPixel* weights = weights_.row(y) + x0;
    const double* w = scratch.amount[kPostBlur];
    for (std::int32_t i = 0; i < run.count; ++i) {
        const double a = run.alpha[i];
        const double wa = w[i] * a;
        Accumulation& sum = sums[i];
        sum.alpha() = float(wa);
        sum.red() = float(wa * run.red[i] * unit);
        sum.green() = float(wa * run.green[i] * unit);
        sum.blue() = float(wa * run.blue[i] * unit);
        sum.weight() = float(w[i]);
        weights[i].weight = float(w[i]);
    }
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
    for (std::int32_t y = rows.begin; y < rows.end; ++y) {
        const Pixel* input = input_.row(y);
        Pixel* output = output_.row(y);
        for (std::int32_t x0 = 0; x0 < width_; x0 += kRunPixels) {
            const std::int32_t count = std::min(kRunPixels, width_ - x0);
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
