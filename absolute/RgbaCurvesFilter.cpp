#include "absolute/RgbaCurvesFilter.h"

#include "absolute/AbsoluteChannels.h"
#include "absolute/ChannelChains.h"
#include "absolute/ChannelMapRows.h"
#include "absolute/DefaultCurve.h"
#include "curves/CurveEdit.h"
#include "curves/EffectTraits.h"
#include "pixels/BandSplit.h"
#include "pixels/ChannelStore.h"
#include "pixels/FloatRange.h"
#include "pixels/PixelRGB.h"
#include "pixels/ScratchBuffer.h"

#include <algorithm>
#include <cstring>

namespace korvane::absolute {

namespace {

constexpr double kSlope = AbsoluteTraits::kNeutralSlope;
// Table building asks the host whether the user aborted after every so many entries.
constexpr std::int32_t kTableProgressInterval = 1000;

// Releases the tables on every path out of apply.
template <class Release>
class ScopeExit {
public:
    explicit ScopeExit(Release release) : release_(release) {}
    ~ScopeExit() { release_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Release release_;
};

} // namespace

template <class Pixel>
void RgbaCurvesFilter<Pixel>::setImages(const PixelArray<Pixel>& input, const PixelArray<Pixel>& output) {
    input_ = input;
    output_ = output;
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::setHistogram(std::int32_t mode, std::int32_t channel, double low, double high,
                                           HistogramArrays* histograms) {
    histogramMode_ = mode == kHistogramChannel || mode == kHistogramRgb ? mode : kHistogramOff;
    histogramChannel_ = channel;
    histogramBins_ = histogramMode_ != kHistogramOff ? kHistogramBins : 0;
    histogramLow_ = low;
    histogramHigh_ = high;
    histograms_ = histograms;
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::prepareCurves() {
    AbsoluteCurveSet defaults;
    resetCurveSet(defaults);
    for (std::size_t i = 0; i < kCurveCount; ++i) {
        Curve& curve = curves_.curves[i];
        // A default that went through a saved project has handles rounded to six digits. Applied as it is,
        // it would make another near-identity than the exact default under "invert all": a project would
        // reopen with other pixels than it was saved with. It is applied as the exact default.
        if (isDefaultAsStored(curve, defaults.curves[i])) {
            curve = defaults.curves[i];
        }
        // The default test sees the curve as it is applied: inverted under "invert all".
        if (invert_) {
            invertCurve(curve, kSlope);
        }
        knots_[i] = KnotList(curve, kSlope);
        enabled_[i] = !isDefaultAsStored(curve, defaults.curves[i]);
        if (invert_) {
            invertCurve(curve, kSlope);
        }
    }
}

template <class Pixel>
std::int32_t RgbaCurvesFilter<Pixel>::buildTables() {
    if constexpr (Pixel::kIsFloat) {
        for (std::size_t i = 0; i < kCurveCount; ++i) {
            lookups_[i] = CurveLookup(&knots_[i]);
        }
        hueTurn_ = HueCurveTurn(&knots_[kChannelHue]);
        return noError();
    } else {
        tableLength_ = Pixel::kMaxValue + 1;
        for (std::size_t i = 0; i < kCurveCount; ++i) {
            if (!enabled_[i]) {
                continue;
            }
            tables_[i] = static_cast<float*>(host().allocate(std::size_t(tableLength_) * sizeof(float)));
            if (tables_[i] == nullptr) {
                return outOfMemoryError();
            }
        }
        const double last = double(tableLength_ - 1);
        for (std::size_t i = 0; i < kCurveCount; ++i) {
            if (!enabled_[i]) {
                continue;
            }
            float* table = tables_[i];
            const KnotList& knots = knots_[i];
            const bool unit = i == kChannelHue || i == kChannelSaturation;
            for (std::int32_t j = 0; j < tableLength_; ++j) {
                auto y = float(knots.evaluate(double(j) / last));
                // Hue is a turn of the circle and may leave 0..1; saturation stays a unit value.
                if (i != kChannelHue) {
                    y = y > 0.0f ? std::min(y, 1.0f) : 0.0f;
                }
                if (!unit) {
                    y *= float(Pixel::kMaxValue);
                }
                table[j] = y;
                if (j % kTableProgressInterval == 0) {
                    if (const std::int32_t status = host().progress(0, 1); status != noError()) {
                        return status;
                    }
                }
            }
            lookups_[i] = TableLookup(table, tableLength_ - 1);
        }
        if (enabled_[kChannelHue]) {
            for (double*& turnTable : hueTurnTables_) {
                turnTable = static_cast<double*>(host().allocate(std::size_t(tableLength_) * sizeof(double)));
                if (turnTable == nullptr) {
                    return outOfMemoryError();
                }
            }
            const float* hue = tables_[kChannelHue];
            for (std::int32_t j = 0; j < tableLength_; ++j) {
                const HueTurn turn = HueTableTurn::ofTableValue(hue[j]);
                hueTurnTables_[0][j] = turn.cosine;
                hueTurnTables_[1][j] = turn.sine;
            }
            const std::int32_t lastEntry = tableLength_ - 1;
            hueBoundaryCosines_ = static_cast<double*>(
                host().allocate(HueBoundaries::cosineCount(lastEntry) * sizeof(double)));
            hueFirstEntries_ = static_cast<std::int32_t*>(
                host().allocate(HueBoundaries::bucketCount(lastEntry) * sizeof(std::int32_t)));
            if (hueBoundaryCosines_ == nullptr || hueFirstEntries_ == nullptr) {
                return outOfMemoryError();
            }
            hueBoundaries_ = HueBoundaries(lastEntry, hueBoundaryCosines_, hueFirstEntries_);
            hueTurn_ = HueTableTurn(hueTurnTables_[0], hueTurnTables_[1], &hueBoundaries_);
        }
        return noError();
    }
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::releaseTables() {
    for (float*& table : tables_) {
        if (table != nullptr) {
            host().release(table);
            table = nullptr;
        }
    }
    for (double*& table : hueTurnTables_) {
        if (table != nullptr) {
            host().release(table);
            table = nullptr;
        }
    }
    for (void* table : {static_cast<void*>(hueBoundaryCosines_), static_cast<void*>(hueFirstEntries_)}) {
        if (table != nullptr) {
            host().release(table);
        }
    }
    hueBoundaryCosines_ = nullptr;
    hueFirstEntries_ = nullptr;
}

template <class Pixel>
std::int32_t RgbaCurvesFilter<Pixel>::apply(std::int32_t segmentIndex, std::int32_t segmentCount) {
    setSegment(segmentIndex, segmentCount);
    const ScopeExit release([this] { releaseTables(); });
    prepareCurves();
    std::int32_t status = buildTables();

    if (histograms_ != nullptr) {
        for (auto& counts : *histograms_) {
            std::fill(counts.begin(), counts.end(), 0);
        }
    }
    if (status != noError()) {
        return status;
    }
    if (input_.present == 0 || output_.present == 0) {
        return noError();
    }
    // Input and output share their size; should a host hand over different ones, only the common part is
    // read and written.
    width_ = std::min(input_.width, output_.width);
    height_ = std::min(input_.height, output_.height);
    const std::int32_t bands = bandCount(height_);

    counter_ = HistogramCounter(histogramBins_, histogramLow_, histogramHigh_);
    countingMode_ = histograms_ != nullptr && counter_.usable() ? histogramMode_ : kHistogramOff;
    ScratchBuffer bandCounts(host());
    bandCounts_ = nullptr;
    const std::size_t countsPerBand = std::size_t(kHistogramArrays) * std::size_t(histogramBins_);
    if (countingMode_ != kHistogramOff) {
        if (!bandCounts.allocate(std::size_t(bands) * countsPerBand * sizeof(std::int32_t))) {
            return outOfMemoryError();
        }
        bandCounts_ = static_cast<std::int32_t*>(bandCounts.data());
        std::fill_n(bandCounts_, std::size_t(bands) * countsPerBand, 0);
    }

    ScratchBuffer channelMaps(host());
    channelMaps_ = nullptr;
    ScratchBuffer chainMaps(host());
    chainMaps_ = nullptr;
    if (usesChannelMaps()) {
        const std::size_t entries = channelMapStorage(std::size_t(tableLength_));
        if (!channelMaps.allocate(entries * sizeof(Value))) {
            return outOfMemoryError();
        }
        channelMaps_ = static_cast<Value*>(channelMaps.data());
        buildChannelMaps();
        status = runEach<&RgbaCurvesFilter::runMapBand>(bands);
    } else {
        if (usesChainMaps()) {
            if (!chainMaps.allocate(kChainCount * std::size_t(tableLength_) * sizeof(float))) {
                return outOfMemoryError();
            }
            chainMaps_ = static_cast<float*>(chainMaps.data());
            buildChainMaps();
        }
        status = invert_ ? runEach<&RgbaCurvesFilter::template runBand<CurveOrder::Inverted>>(bands)
                         : runEach<&RgbaCurvesFilter::template runBand<CurveOrder::Normal>>(bands);
    }
    channelMaps_ = nullptr;
    chainMaps_ = nullptr;
    if (status == noError() && bandCounts_ != nullptr) {
        for (std::int32_t band = 0; band < bands; ++band) {
            const std::int32_t* partial = bandCounts_ + std::size_t(band) * countsPerBand;
            for (std::size_t k = 0; k < std::size_t(kHistogramArrays); ++k) {
                auto& counts = (*histograms_)[k];
                for (std::size_t bin = 0; bin < std::size_t(histogramBins_); ++bin) {
                    counts[bin] += partial[k * std::size_t(histogramBins_) + bin];
                }
            }
        }
    }
    bandCounts_ = nullptr;
    return status;
}

template <class Pixel>
bool RgbaCurvesFilter<Pixel>::usesChannelMaps() const {
    return !Pixel::kIsFloat && countingMode_ == kHistogramOff && !enabled_[kChannelHue] &&
           !enabled_[kChannelSaturation] && !enabled_[kChannelBrightness];
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::buildChannelMaps() {
    // The channel curves of each channel in the order the band operations apply them.
    using Chain = std::array<std::int32_t, 2>;
    constexpr std::int32_t kNone = -1;
    const std::array<Chain, kChannelMapCount> chains =
        invert_ ? std::array<Chain, kChannelMapCount>{Chain{kChannelRgb, kChannelRed},
                                                      Chain{kChannelRgb, kChannelGreen},
                                                      Chain{kChannelRgb, kChannelBlue},
                                                      Chain{kChannelAlpha, kNone}}
                : std::array<Chain, kChannelMapCount>{
                      Chain{kChannelRed, kChannelRgb}, Chain{kChannelGreen, kChannelRgb},
                      Chain{kChannelBlue, kChannelRgb}, Chain{kChannelAlpha, kNone}};
    // The maps lie in the pixel's channel order, so that the band operation finds channel c's map at a fixed
    // offset from the first.
    const std::array<std::size_t, kChannelMapCount> slots = {
        std::size_t(Pixel::kRed), std::size_t(Pixel::kGreen), std::size_t(Pixel::kBlue),
        std::size_t(Pixel::kAlpha)};
    for (std::size_t c = 0; c < kChannelMapCount; ++c) {
        Value* map = channelMaps_ + slots[c] * std::size_t(tableLength_);
        for (std::int32_t j = 0; j < tableLength_; ++j) {
            // Channel values are integers here: the inverted order's rounding step leaves them as they are.
            double v = double(j);
            for (const std::int32_t channel : chains[c]) {
                if (channel != kNone && enabled_[std::size_t(channel)]) {
                    v = lookups_[std::size_t(channel)].atChannel(v);
                }
            }
            map[j] = roundToChannel<Pixel>(v);
        }
    }
    // Read by the vector kernels beside the last map's last entry, never stored.
    channelMaps_[channelMapStorage(std::size_t(tableLength_)) - 1] = 0;
}

template <class Pixel>
bool RgbaCurvesFilter<Pixel>::usesChainMaps() const {
    return !Pixel::kIsFloat && !invert_ && countingMode_ != kHistogramChannel && !usesChannelMaps();
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::buildChainMaps() {
    if constexpr (!Pixel::kIsFloat) {
        const auto lookupOf = [this](std::int32_t channel) -> const TableLookup* {
            return enabled_[std::size_t(channel)] ? &lookups_[std::size_t(channel)] : nullptr;
        };
        const std::array<std::array<const TableLookup*, 2>, kChainCount> chains = {{
            {lookupOf(kChannelRed), lookupOf(kChannelRgb)},
            {lookupOf(kChannelGreen), lookupOf(kChannelRgb)},
            {lookupOf(kChannelBlue), lookupOf(kChannelRgb)},
            {lookupOf(kChannelAlpha), nullptr},
        }};
        for (std::size_t c = 0; c < kChainCount; ++c) {
            float* map = chainMaps_ + c * std::size_t(tableLength_);
            const bool identity = chains[c][0] == nullptr && chains[c][1] == nullptr;
            chains_.maps[c] = identity ? nullptr : map;
            if (!identity) {
                buildChainMap(chains[c], tableLength_ - 1, map);
            }
        }
    }
}

template <class Pixel>
std::int32_t RgbaCurvesFilter<Pixel>::runMapBand(std::int32_t band, std::int32_t bandCount) {
    if constexpr (Pixel::kIsFloat) {
        return noError();
    } else {
        const RowRange rows = bandRows(band, bandCount, height_);
        // The fastest kernel this processor runs; every kernel stores what the plain loop does.
        static const MapRowKernel kernel = mapRowKernels(sizeof(Value)).back();
        for (std::int32_t y = rows.begin; y < rows.end; ++y) {
            mapRow(kernel, channelMaps_, input_.row(y)->channel, output_.row(y)->channel, width_);
            if (const std::int32_t status = reportRow(y, height_, 0, 1); status != noError()) {
                return status;
            }
        }
        return noError();
    }
}

template <class Pixel>
template <CurveOrder Order>
std::int32_t RgbaCurvesFilter<Pixel>::runBand(std::int32_t band, std::int32_t bandCount) {
    const RowRange rows = bandRows(band, bandCount, height_);
    std::int32_t* counts =
        bandCounts_ != nullptr
            ? bandCounts_ + std::size_t(band) * std::size_t(kHistogramArrays) * std::size_t(histogramBins_)
            : nullptr;
    PixelRun run;
    for (std::int32_t y = rows.begin; y < rows.end; ++y) {
        const Pixel* source = input_.row(y);
        Pixel* target = output_.row(y);
        for (std::int32_t x0 = 0; x0 < width_; x0 += kRunPixels) {
            run.count = std::min(kRunPixels, width_ - x0);
            const bool chained = Order == CurveOrder::Normal && chainMaps_ != nullptr;
            if (chained) {
                if constexpr (!Pixel::kIsFloat) {
                    readThroughChains(source + x0, chains_, run);
                }
            } else {
                for (std::int32_t i = 0; i < run.count; ++i) {
                    const Pixel& pixel = source[x0 + i];
                    run.red[i] = double(pixel.red());
                    run.green[i] = double(pixel.green());
                    run.blue[i] = double(pixel.blue());
                    run.alpha[i] = double(pixel.alpha());
                }
            }
            processRun<Order>(run, counts, chained);
            if constexpr (Pixel::kIsFloat) {
                // Curves go on in a straight line past their ends, so a steep one over a large pixel can
                // leave the float range.
                for (double* channel : {run.red, run.green, run.blue, run.alpha}) {
                    keepWithinFloatRange(channel, run.count);
                }
            } else {
                // Whole numbers within the channel's range from here on: the stores below only convert.
                roundStep<Pixel>(run);
            }
            for (std::int32_t i = 0; i < run.count; ++i) {
                Pixel& pixel = target[x0 + i];
                pixel.red() = static_cast<typename Pixel::Value>(run.red[i]);
                pixel.green() = static_cast<typename Pixel::Value>(run.green[i]);
                pixel.blue() = static_cast<typename Pixel::Value>(run.blue[i]);
                pixel.alpha() = static_cast<typename Pixel::Value>(run.alpha[i]);
            }
        }
        if (const std::int32_t status = reportRow(y, height_, 0, 1); status != noError()) {
            return status;
        }
    }
    return noError();
}

template <class Pixel>
void RgbaCurvesFilter<Pixel>::applyCurve(std::int32_t channel, double* values, std::int32_t count) const {
    if (enabled_[std::size_t(channel)]) {
        curveStep(lookups_[std::size_t(channel)], values, count);
    }
}

template <class Pixel>
template <CurveOrder Order>
void RgbaCurvesFilter<Pixel>::processRun(PixelRun& run, std::int32_t* counts, bool channelStepsDone) const {
    if (countingMode_ == kHistogramChannel) {
        countChannelProperty<Pixel>(counter_, histogramChannel_, run, counts);
    }
    const auto colourSteps = [&] {
        if constexpr (Order == CurveOrder::Normal) {
            if (enabled_[kChannelHue]) {
                hueStep<Pixel>(hueTurn_, run);
            }
            if (enabled_[kChannelSaturation]) {
                saturationStep<Pixel>(lookups_[kChannelSaturation], run);
            }
            if (enabled_[kChannelBrightness]) {
                brightnessStep<Pixel>(lookups_[kChannelBrightness], run);
            }
        } else {
            if (enabled_[kChannelBrightness]) {
                brightnessStep<Pixel>(lookups_[kChannelBrightness], run);
            }
            if (enabled_[kChannelSaturation]) {
                saturationStep<Pixel>(lookups_[kChannelSaturation], run);
            }
            if (enabled_[kChannelHue]) {
                hueStep<Pixel>(hueTurn_, run);
            }
        }
    };
    const auto channelSteps = [&] {
        if constexpr (Order == CurveOrder::Normal) {
            applyCurve(kChannelAlpha, run.alpha, run.count);
            applyCurve(kChannelBlue, run.blue, run.count);
            applyCurve(kChannelGreen, run.green, run.count);
            applyCurve(kChannelRed, run.red, run.count);
            applyCurve(kChannelRgb, run.red, run.count);
            applyCurve(kChannelRgb, run.green, run.count);
            applyCurve(kChannelRgb, run.blue, run.count);
        } else {
            applyCurve(kChannelRgb, run.red, run.count);
            applyCurve(kChannelRgb, run.green, run.count);
            applyCurve(kChannelRgb, run.blue, run.count);
            applyCurve(kChannelRed, run.red, run.count);
            applyCurve(kChannelGreen, run.green, run.count);
            applyCurve(kChannelBlue, run.blue, run.count);
            applyCurve(kChannelAlpha, run.alpha, run.count);
        }
    };
    if constexpr (Order == CurveOrder::Normal) {
        if (!channelStepsDone) {
            channelSteps();
        }
        colourSteps();
    } else {
        colourSteps();
        if constexpr (!Pixel::kIsFloat) {
            roundStep<Pixel>(run);
        }
        channelSteps();
    }
    if (countingMode_ == kHistogramChannel) {
        countChannelProperty<Pixel>(counter_, histogramChannel_, run, counts + histogramBins_);
    } else if (countingMode_ == kHistogramRgb) {
        countRgb<Pixel>(counter_, run, counts, histogramBins_);
    }
}

template class RgbaCurvesFilter<Pixel8>;
template class RgbaCurvesFilter<Pixel16>;
template class RgbaCurvesFilter<PixelFloat>;

} // namespace korvane::absolute
