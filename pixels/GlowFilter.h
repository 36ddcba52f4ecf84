#pragma once
#include "pixels/IntegerTent.h"
#include "pixels/KorvaneFilter.h"
#include "pixels/PixelArray.h"
#include "pixels/PixelRGB.h"

#include <cstdint>

namespace korvane {

// GlowFilter is a blur, not a glow: the system's one blur, a separable tent blur of fractional radius with
// mirror edges, a horizontal pass over rows into an intermediate image and a vertical pass over columns into
// the destination, one work item per row or column. Running sums make the cost per sample independent of the
// radius. At integer depths the horizontal pass truncates and the vertical pass rounds half up; float and
// accumulation pixels are stored as computed.
//
// A pass covers the rows and columns that its input and output views share (callers give them one size).
// Input and output of a pass must not overlap.
template <class Pixel>
class GlowFilter : public KorvaneFilter {
public:
    explicit GlowFilter(KorvaneHost& host) : KorvaneFilter(host) {}

    void setSource(const PixelArray<Pixel>& view) { source_ = view; }
    // Optional: without one, apply allocates a scratch intermediate of the source's size.
    void setIntermediate(const PixelArray<Pixel>& view) { intermediate_ = view; }
    void setDestination(const PixelArray<Pixel>& view) { destination_ = view; }
    // In pixels. A negative, NaN or infinite radius is 0 (no blur).
    void setRadii(double horizontal, double vertical) {
        horizontalRadius_ = horizontal;
        verticalRadius_ = vertical;
    }
    // The views of the pass about to run, for callers that run the passes themselves.
    void setPassViews(const PixelArray<Pixel>& input, const PixelArray<Pixel>& output) {
        passInput_ = input;
        passOutput_ = output;
    }
    // Phase p of c: the horizontal half reports as unit 2p and the vertical half as unit 2p + 1 of 2c.
    void setProgressPhase(std::int32_t phase, std::int32_t phaseCount);
    // Any placement: the horizontal half reports within unit `horizontalUnit`, the vertical half within
    // `verticalUnit`, of `unitCount` equal units of the host's progress bar.
    void setProgressUnits(std::int32_t horizontalUnit, std::int32_t verticalUnit, std::int32_t unitCount);

    // Blurs source into destination as progress phase `segmentIndex` of `segmentCount`. A missing source
    // reads as transparent black; a missing destination leaves nothing to do.
    std::int32_t apply(std::int32_t segmentIndex, std::int32_t segmentCount) override;

    // One pass over the pass views on the thread pool; the first failure of any row or column. The same
    // result as blurRow per row and blurColumn per column, the per-line path, but in larger items:
    // the vertical pass runs strips of 16 columns per item (reporting progress after the last column of each
    // strip), with rows read along cache lines. At integer depths, wherever IntegerTent has a form for the
    // radius, both passes run their lines side by side in SIMD lanes with integer sums (TentLanes.h): the
    // horizontal pass in blocks of 8 rows per item (reporting each row after the block), the vertical pass
    // in bands of 128 columns (reporting as the strips of 16 columns in it would). Float passes over
    // unpadded pixels run in lanes of doubles (FloatTentLanes.h) with the per-line path's own arithmetic:
    // blocks of 8 rows and strips of 16 columns, reporting alike.
    std::int32_t runHorizontalPass();
    std::int32_t runVerticalPass();

    // The per-line path, one item of runEach over passRows() or passColumns(): row y (column x) of the
    // pass input into the same row (column) of the pass output, then a progress report; a failing report
    // ends the item with its status.
    std::int32_t blurRow(std::int32_t y);
    std::int32_t blurColumn(std::int32_t x);

    std::int32_t passRows() const;
    std::int32_t passColumns() const;
    double horizontalRadius() const { return horizontalRadius_; }
    double verticalRadius() const { return verticalRadius_; }

private:
    std::int32_t blurColumnStrip(std::int32_t strip);
    std::int32_t columnStrips() const;
    // Integer depths in SIMD lanes; the tents are set up by the pass that runs them.
    bool lanesFit() const;
    std::int32_t blurRowBlock(std::int32_t block);
    std::int32_t blurColumnBand(std::int32_t band);
    void blurColumnsInLanes(std::int32_t start, std::int32_t width, std::int32_t storeFrom);
    std::int32_t columnBands() const;
    // Float depths in lanes of doubles.
    bool floatLanesFit() const;
    std::int32_t blurFloatRowBlock(std::int32_t block);
    std::int32_t blurFloatColumnBand(std::int32_t band);
    std::int32_t floatColumnBands() const;
    void clearDestination();

    PixelArray<Pixel> source_;
    PixelArray<Pixel> intermediate_;
    PixelArray<Pixel> destination_;
    double horizontalRadius_ = 0.0;
    double verticalRadius_ = 0.0;
    PixelArray<Pixel> passInput_;
    PixelArray<Pixel> passOutput_;
    IntegerTent laneTent_;
    std::int32_t horizontalUnit_ = 0;
    std::int32_t verticalUnit_ = 1;
    std::int32_t unitCount_ = 2;
};

} // namespace korvane
