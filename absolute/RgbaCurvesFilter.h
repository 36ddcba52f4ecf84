#pragma once
#include "absolute/ChannelChains.h"
#include "absolute/ChannelLookup.h"
#include "absolute/CurveSteps.h"
#include "absolute/HistogramCounter.h"
#include "absolute/HueTurn.h"
#include "curves/CurveSet.h"
#include "curves/EditorState.h"
#include "curves/KnotList.h"
#include "pixels/KorvaneFilter.h"
#include "pixels/PixelArray.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace korvane::absolute {

// The order of the curve steps: normal (alpha, blue, green, red, rgb, hue, saturation, brightness), or
// reversed for "invert all", whose curves are the inverses of the stored ones.
enum class CurveOrder { Normal, Inverted };

// The three histograms a render leaves for the editor.
using HistogramArrays = std::array<std::array<std::int32_t, kHistogramBins>, kHistogramArrays>;

// The Absolute render (the Relative effect has a filter of the same name in its own namespace): every pixel's
// channels, rgb, hue, saturation and brightness mapped through the eight curves of the effect's curve set,
// with histograms of the values for the curve editor. Integer depths sample each curve that differs from its
// default into a table of max + 1 entries; float evaluates the curves per pixel. Curves at their default cost
// nothing per pixel.
template <class Pixel>
class RgbaCurvesFilter : public KorvaneFilter {
public:
    using Lookup = std::conditional_t<Pixel::kIsFloat, CurveLookup, TableLookup>;
    using Value = typename Pixel::Value;
    using Turn = std::conditional_t<Pixel::kIsFloat, HueCurveTurn, HueTableTurn>;

    explicit RgbaCurvesFilter(KorvaneHost& host) : KorvaneFilter(host) {}

    void setImages(const PixelArray<Pixel>& input, const PixelArray<Pixel>& output);
    // The filter works on its own copy: the curves handed over are never changed.
    void setCurves(const AbsoluteCurveSet& curves) { curves_ = curves; }
    void setInvert(bool invert) { invert_ = invert; }
    // mode: HistogramMode; channel: the channel whose property mode 1 counts; counts over [low, high] into
    // `histograms`, which apply zeroes first. Counting starts only when mode is not 0.
    void setHistogram(std::int32_t mode, std::int32_t channel, double low, double high,
                      HistogramArrays* histograms);

    // Samples the curves, then runs the band operation of the order over bands of the image on the thread
    // pool. The histograms hold the counts only when the result is noError().
    std::int32_t apply(std::int32_t segmentIndex, std::int32_t segmentCount) override;

    // Known after apply: whether channel i's curve (as applied) differs from its default.
    bool channelEnabled(std::int32_t channel) const { return enabled_[std::size_t(channel)]; }

private:
    void prepareCurves();
    std::int32_t buildTables();
    void releaseTables();

    // Integer depths without a colour step and without histograms: every channel's result depends on its own
    // value only, so the whole chain of channel curves and the final rounding is one map per channel from
    // input value to stored value, and the band operation only looks values up.
    bool usesChannelMaps() const;
    void buildChannelMaps();
    std::int32_t runMapBand(std::int32_t band, std::int32_t bandCount);

    // Integer depths in the normal order with a colour step and no input histogram: the channel steps are
    // one map per channel (ChannelChains.h), read as the run is loaded.
    bool usesChainMaps() const;
    void buildChainMaps();

    template <CurveOrder Order>
    std::int32_t runBand(std::int32_t band, std::int32_t bandCount);
    template <CurveOrder Order>
    void processRun(PixelRun& run, std::int32_t* counts, bool channelStepsDone) const;
    void applyCurve(std::int32_t channel, double* values, std::int32_t count) const;

    PixelArray<Pixel> input_;
    PixelArray<Pixel> output_;
    AbsoluteCurveSet curves_{};
    std::int32_t histogramMode_ = kHistogramOff;
    std::int32_t histogramChannel_ = 0;
    std::int32_t histogramBins_ = 0;
    HistogramArrays* histograms_ = nullptr;
    double histogramLow_ = 0.0;
    double histogramHigh_ = 1.0;
    bool invert_ = false;
    std::int32_t tableLength_ = 0;
    std::array<float*, kCurveCount> tables_{};
    std::array<KnotList, kCurveCount> knots_{};
    std::array<bool, kCurveCount> enabled_{};

    // Set up by apply for the bands.
    std::array<Lookup, kCurveCount> lookups_{};
    Turn hueTurn_;
    // Integer depths: cosines and sines of the hue table's angles.
    std::array<double*, 2> hueTurnTables_{};
    // Integer depths: where the hue table's entries meet (HueEntries.h).
    double* hueBoundaryCosines_ = nullptr;
    std::int32_t* hueFirstEntries_ = nullptr;
    HueBoundaries hueBoundaries_;
    HistogramCounter counter_;
    std::int32_t countingMode_ = kHistogramOff;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    // One set of three histograms per band, summed once the run is over.
    std::int32_t* bandCounts_ = nullptr;
    // One map of tableLength_ entries per channel, in the pixel's channel order, when usesChannelMaps().
    static constexpr std::size_t kChannelMapCount = 4;
    Value* channelMaps_ = nullptr;
    // kChainCount maps of tableLength_ entries, when usesChainMaps().
    float* chainMaps_ = nullptr;
    ChainMaps chains_;
};

} // namespace korvane::absolute
