#pragma once
#include "curves/CurveSet.h"
#include "curves/EditorState.h"
#include "curves/KnotList.h"
#include "pixels/KorvaneFilter.h"
#include "pixels/PixelArray.h"
#include "pixels/PixelRGB.h"
#include "pixels/ScratchBuffer.h"
#include "relative/ChangeSteps.h"
#include "relative/ChannelTablePass.h"
#include "relative/HistogramCounter.h"
#include "relative/HueEntryFinder.h"
#include "relative/RelativeProperties.h"
#include "relative/SaturationEntries.h"

#include <array>
#include <cstdint>
#include <memory>

namespace korvane::relative {

enum ShowMode : std::int32_t {
    kShowNormal = 0,
    kShowNodeRange = 1,
    kShowMatte = 2,
    kShowColoredMatte = 3,
};

enum HistogramMode : std::int32_t {
    kHistogramOff = 0,
    kHistogramSource = 1, // the histogram property of the source pixels
    kHistogramResult = 2, // red, green and blue of the result
};

// The three histograms a render leaves for the editor.
using HistogramArrays = std::array<std::array<std::int32_t, kHistogramBins>, kHistogramArrays>;

// Where the editor's active node acts, in the units of the histogram property (0..1): the node range view
// ramps up from `left` to `node` in red and down from `node` to `right` in green. The default lies in no
// ramp at all.
struct NodeRange {
    double left = 1.0;
    double node = 0.5;
    double right = 0.0;
};

// The settings of one render besides the curves.
struct RenderSettings {
    double preBlurRadius = 0.0;
    std::int32_t histogramMode = kHistogramOff;
    std::int32_t histogramProperty = 0; // pixel property 0..6 that mode 1 counts and the node range shows
    double histogramStart = 0.0;
    double histogramEnd = 1.0;
    std::int32_t showMode = kShowNormal;
    NodeRange nodeRange;
};

// One float per pixel: the post blur's weight map.
struct WeightPixel {
    float weight;
};

// The Relative render (the Absolute effect has a filter of the same name in its own namespace): each of the
// eight properties of every pixel changed by an amount that its curve reads from a property of the source
// pixel (the input, or the base layer), with an optional pre blur of the source, a post blur whose strength
// varies per pixel, three diagnostic views and the histograms the curve editor draws. Integer depths sample
// the curves in use into tables of max + 1 entries; float evaluates them per pixel. An 8-bit render that
// changes only the channels stores through the byte tables of a ChannelTablePass.
//
// Values that no curve can be asked about: a source value that is not finite (float images) gives the
// amount 0, and an integer source value beyond the table (16-bit channels above 32768) reads the last entry.
template <class Pixel>
class RgbaCurvesFilter : public KorvaneFilter {
public:
    using Accumulation = AccumulationPixel<Pixel::kMaxValue>;

    explicit RgbaCurvesFilter(KorvaneHost& host) : KorvaneFilter(host) {}

    // `source` is the base layer; a view with present 0 reads the input instead.
    void setImages(const PixelArray<Pixel>& input, const PixelArray<Pixel>& output,
                   const PixelArray<Pixel>& source);
    // The filter works on its own copy: the curves handed over are never changed.
    void setCurves(const RelativeCurveSet& curves) { curves_ = curves; }
    void setSettings(const RenderSettings& settings) { settings_ = settings; }
    // Where apply leaves the histograms (zeroed first); they hold counts only when apply returns noError().
    void setHistograms(HistogramArrays* histograms) { histograms_ = histograms; }

    std::int32_t apply(std::int32_t segmentIndex, std::int32_t segmentCount) override;
    // The main pass over one band of rows.
    std::int32_t processBand(std::int32_t band, std::int32_t bandCount) override;

    // Known after apply.
    const PropertyPlan& plan() const { return plan_; }

private:
    using BandFunction = std::int32_t (RgbaCurvesFilter::*)(std::int32_t, std::int32_t);

    struct RunScratch;

    void prepare();
    std::int32_t buildTables(ScratchBuffer& block, ScratchBuffer& hueBlock);
    bool setUpChannelPass(ScratchBuffer& block);
    std::int32_t preBlur(ScratchBuffer& first, ScratchBuffer& second);
    std::int32_t compositeBand(std::int32_t band, std::int32_t bandCount);
    void sumBandCounts(std::int32_t bands);

    template <ShowMode Show>
    std::int32_t mainBand(std::int32_t band, std::int32_t bandCount);
    // The source pixels under count pixels of row y from x0: the input's own, or those of the source
    // (transparent black where it has none) copied into `buffer`.
    const Pixel* sourcePixels(std::int32_t y, std::int32_t x0, std::int32_t count, Pixel* buffer) const;
    void loadSource(std::int32_t y, std::int32_t x0, const ColourRun& run, RunScratch& scratch) const;
    void computeSources(RunScratch& scratch) const;
    void computeAmounts(RunScratch& scratch) const;
    void applyChanges(ColourRun& run, RunScratch& scratch) const;
    void nodeRangeColours(ColourRun& run, const RunScratch& scratch) const;
    void countRun(const ColourRun& run, const RunScratch& scratch, std::int32_t* counts) const;
    void accumulateRun(std::int32_t y, std::int32_t x0, const ColourRun& run,
                       const RunScratch& scratch) const;
    template <ShowMode Show>
    void storeRun(const Pixel* input, Pixel* output, const ColourRun& run, const RunScratch& scratch) const;

    PixelArray<Pixel> input_;
    PixelArray<Pixel> output_;
    PixelArray<Pixel> source_;
    RelativeCurveSet curves_{};
    RenderSettings settings_;
    HistogramArrays* histograms_ = nullptr;

    // Set up by apply for the passes.
    PropertyPlan plan_;
    std::array<double, kPropertyCount> factors_{};
    std::array<bool, kPropertyCount> addition_{};
    double postBlurFactor_ = 0.0;
    bool postBlurStep_ = false;
    bool accumulate_ = false;
    bool sourceNeeded_ = false;
    bool histogramValueNeeded_ = false;
    std::array<bool, kSourceCount> computeSource_{};
    std::int32_t segmentIndex_ = 0;
    std::int32_t segmentCount_ = 1;
    std::array<KnotList, kPropertyCount> knots_{};
    std::array<float*, kPropertyCount> tables_{};
    const double* hueCosine_ = nullptr;
    const double* hueSine_ = nullptr;
    std::int32_t tableLast_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    HistogramCounter counter_;
    std::int32_t countingMode_ = kHistogramOff;
    std::int32_t* bandCounts_ = nullptr;
    BandFunction band_ = nullptr;
    ChannelTablePass<Pixel> channelPass_;
    // Integer depths: the hue entries of the source pixels; set up by the first render that reads hue.
    HueEntryFinder hueEntries_;
    bool hueEntriesReady_ = false;
    // 8 bits: the saturation entries of the source pixels; set up by the first render that reads saturation.
    std::shared_ptr<const SaturationEntries> saturationEntries_;
    bool channelPassOn_ = false;
    PixelArray<Accumulation> accumulation_;
    PixelArray<WeightPixel> weights_;
};

} // namespace korvane::relative
