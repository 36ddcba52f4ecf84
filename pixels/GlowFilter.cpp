#include "pixels/GlowFilter.h"

#include "pixels/FloatTentLanes.h"
#include "pixels/PixelRGB.h"
#include "pixels/ScratchBuffer.h"
#include "pixels/TentLanes.h"
#include "pixels/TentLine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace korvane {
namespace {

// Stores one blurred value. Integer depths add `bias` (the tolerance, plus 0.5 where the pass rounds half up;
// IntegerTent.h) and truncate, at most max. The value is a weighted average of samples, within a hair of
// [0, 65535], and the bias is larger than that hair: the conversion cannot overflow or go below 0. Only
// 16-bit samples above 32768, which a host should not hand over, need the clamp. Float depths store the value
// as it is.
template <class Pixel>
struct ChannelWriter {
    double bias = 0.0;

    void operator()(typename Pixel::Value& channel, double value) const {
        if constexpr (Pixel::kIsFloat) {
            channel = static_cast<typename Pixel::Value>(value);
        } else {
            const std::int32_t whole = static_cast<std::int32_t>(value + bias);
            channel = static_cast<typename Pixel::Value>(std::min(whole, Pixel::kMaxValue));
        }
    }
};

template <class Pixel>
ChannelWriter<Pixel> truncatingWriter() {
    return {kTruncatingBias};
}

template <class Pixel>
ChannelWriter<Pixel> roundingWriter() {
    return {kRoundingBias};
}

// Columns per item of the vertical pass: a sweep down a strip reads rows along cache lines, where a sweep
// down one column would touch a new cache line for every sample.
constexpr std::int32_t kStripWidth = 16;

// Consecutive pixels of a row taken as one wide pixel, so that a strip of columns runs as one line.
template <class Pixel>
struct PixelStrip {
    using Value = typename Pixel::Value;
    static constexpr int kChannelCount = Pixel::kChannelCount * kStripWidth;
    static constexpr bool kIsFloat = Pixel::kIsFloat;
    static constexpr std::int32_t kMaxValue = Pixel::kMaxValue;
    Value channel[kChannelCount];
};
static_assert(sizeof(PixelStrip<Pixel8>) == kStripWidth * sizeof(Pixel8));
static_assert(sizeof(PixelStrip<AccumulationPixel8>) == kStripWidth * sizeof(AccumulationPixel8));

// Columns per item of the vertical pass at integer depths: a band of rows read along several cache lines,
// with its running sums in the first level cache.
constexpr std::int32_t kBandWidth = 128;
static_assert(kBandWidth * 4 <= tent::kMaxLaneValues && kBandWidth % kStripWidth == 0);

// Columns per item of the float vertical pass: one strip, so that progress and an abort come when they
// come in the per-line path.
template <class Pixel>
constexpr std::int32_t kFloatBandWidth = kStripWidth;
static_assert(kStripWidth * 5 <= tent::kMaxFloatLaneValues);

// Rows per item of the horizontal pass at integer depths: their pixels at one column make one block of lanes.
constexpr std::int32_t kBlockRows = 8;
// The horizontal pass reads its blocks from a ring on the stack, which holds the window of every output of
// a chunk; the chunk's outputs wait in a second buffer before they go into the rows.
constexpr std::size_t kRingBytes = 64 * 1024;
constexpr std::int64_t kChunk = 256;

template <class Pixel>
constexpr std::int64_t kRingPositions = std::int64_t(kRingBytes / (sizeof(Pixel) * kBlockRows));

// The largest sample an integer buffer can hold: 16-bit buffers may hold more than white.
template <class Pixel>
constexpr std::int32_t kSampleLimit = std::numeric_limits<typename Pixel::Value>::max();

template <class Pixel>
constexpr tent::SampleDepth kSampleDepth = sizeof(typename Pixel::Value) == 1 ? tent::SampleDepth::Eight
                                                                              : tent::SampleDepth::Sixteen;

// The horizontal tent of an integer depth when it can run in lanes: a form for its sums, and a window that
// fits the ring beside a chunk.
template <class Pixel>
IntegerTent rowTent(double radius) {
    IntegerTent tent =
        IntegerTent::forKernel(TentKernel::forRadius(radius), kSampleLimit<Pixel>, Pixel::kMaxValue, false);
    if (kChunk + 2 * tent.whole + 3 > kRingPositions<Pixel>) {
        tent.form = IntegerTent::Form::Unsupported;
    }
    return tent;
}

template <class Pixel>
IntegerTent columnTent(double radius) {
    return IntegerTent::forKernel(TentKernel::forRadius(radius), kSampleLimit<Pixel>, Pixel::kMaxValue, true);
}

// Up to kBlockRows rows of `length` pixels (rows past `count` repeat the last one and are not stored).
template <class Pixel>
void blurRowsInLanes(const Pixel* const (&in)[kBlockRows], Pixel* const (&out)[kBlockRows],
                     std::int32_t count, std::int64_t length, const IntegerTent& tent) {
    constexpr std::int64_t kPositions = kRingPositions<Pixel>;
    alignas(64) Pixel ring[kPositions * kBlockRows];
    alignas(64) Pixel chunk[kChunk * kBlockRows];
    const std::int64_t r = tent.whole;
    const std::int64_t mask = kPositions - 1;
    // Position i of the ring holds column i of every row, folded at the ends.
    auto fill = [&](std::int64_t from, std::int64_t to) {
        for (std::int64_t i = from; i < to; ++i) {
            const std::int64_t column = i >= 0 && i < length ? i : mirrorFold(i, length);
            Pixel* slot = ring + (i & mask) * kBlockRows;
            for (std::int32_t j = 0; j < kBlockRows; ++j) {
                slot[j] = in[j][column];
            }
        }
    };
    constexpr std::ptrdiff_t kBlockBytes = std::ptrdiff_t(sizeof(Pixel)) * kBlockRows;
    tent::LaneRun run;
    run.depth = kSampleDepth<Pixel>;
    run.values = kBlockRows * Pixel::kChannelCount;
    run.blocks = {reinterpret_cast<const std::byte*>(ring), kBlockBytes, length, mask};
    run.tent = &tent;
    tent::LaneSums sums;
    // The priming reads -r .. r + 1; a chunk x0 .. x1 - 1 reads x0 - r - 1 .. x1 + r + 1.
    std::int64_t filled = -r - 1;
    for (std::int64_t x0 = 0; x0 < length; x0 += kChunk) {
        const std::int64_t x1 = std::min(length, x0 + kChunk);
        fill(filled, x1 + r + 2);
        filled = x1 + r + 2;
        if (x0 == 0) {
            tent::primeLanes(run, sums);
        }
        tent::runLanes(run, sums, x0, x1, reinterpret_cast<std::byte*>(chunk), kBlockBytes);
        for (std::int64_t x = x0; x < x1; ++x) {
            const Pixel* block = chunk + (x - x0) * kBlockRows;
            for (std::int32_t j = 0; j < count; ++j) {
                out[j][x] = block[j];
            }
        }
    }
}

} // namespace

template <class Pixel>
void GlowFilter<Pixel>::setProgressPhase(std::int32_t phase, std::int32_t phaseCount) {
    setProgressUnits(2 * phase, 2 * phase + 1, 2 * phaseCount);
}

template <class Pixel>
void GlowFilter<Pixel>::setProgressUnits(std::int32_t horizontalUnit, std::int32_t verticalUnit,
                                         std::int32_t unitCount) {
    unitCount_ = std::max(unitCount, 1);
    horizontalUnit_ = std::clamp(horizontalUnit, 0, unitCount_ - 1);
    verticalUnit_ = std::clamp(verticalUnit, 0, unitCount_ - 1);
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::passRows() const {
    if (!passInput_.present || !passOutput_.present) {
        return 0;
    }
    return std::min(passInput_.height, passOutput_.height);
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::passColumns() const {
    if (!passInput_.present || !passOutput_.present) {
        return 0;
    }
    return std::min(passInput_.width, passOutput_.width);
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::blurRow(std::int32_t y) {
    const PixelLine<Pixel> input{reinterpret_cast<std::byte*>(passInput_.row(y)), passInput_.pixelBytes};
    const PixelLine<Pixel> output{reinterpret_cast<std::byte*>(passOutput_.row(y)), passOutput_.pixelBytes};
    blurTentLine(input, output, passColumns(), TentKernel::forRadius(horizontalRadius_),
                 truncatingWriter<Pixel>());
    const std::int64_t rows = std::max(passRows(), 1);
    return reportProgress(std::int64_t(horizontalUnit_) * rows + y, std::int64_t(unitCount_) * rows);
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::blurColumn(std::int32_t x) {
    const PixelLine<Pixel> input{passInput_.data + std::ptrdiff_t(x) * passInput_.pixelBytes,
                                 passInput_.rowBytes};
    const PixelLine<Pixel> output{passOutput_.data + std::ptrdiff_t(x) * passOutput_.pixelBytes,
                                  passOutput_.rowBytes};
    blurTentLine(input, output, passRows(), TentKernel::forRadius(verticalRadius_), roundingWriter<Pixel>());
    const std::int64_t columns = std::max(passColumns(), 1);
    return reportProgress(std::int64_t(verticalUnit_) * columns + x, std::int64_t(unitCount_) * columns);
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::blurColumnStrip(std::int32_t strip) {
    const std::int32_t first = strip * kStripWidth;
    const std::int32_t end = std::min(first + kStripWidth, passColumns());
    const TentKernel kernel = TentKernel::forRadius(verticalRadius_);
    if (end - first == kStripWidth) {
        const PixelLine<PixelStrip<Pixel>> input{
            passInput_.data + std::ptrdiff_t(first) * passInput_.pixelBytes, passInput_.rowBytes};
        const PixelLine<PixelStrip<Pixel>> output{
            passOutput_.data + std::ptrdiff_t(first) * passOutput_.pixelBytes, passOutput_.rowBytes};
        blurTentLine(input, output, passRows(), kernel, roundingWriter<PixelStrip<Pixel>>());
    } else {
        for (std::int32_t x = first; x < end; ++x) {
            const PixelLine<Pixel> input{passInput_.data + std::ptrdiff_t(x) * passInput_.pixelBytes,
                                         passInput_.rowBytes};
            const PixelLine<Pixel> output{passOutput_.data + std::ptrdiff_t(x) * passOutput_.pixelBytes,
                                          passOutput_.rowBytes};
            blurTentLine(input, output, passRows(), kernel, roundingWriter<Pixel>());
        }
    }
    const std::int64_t columns = std::max(passColumns(), 1);
    return reportProgress(std::int64_t(verticalUnit_) * columns + end - 1,
                          std::int64_t(unitCount_) * columns);
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::columnBands() const {
    return (passColumns() + kBandWidth - 1) / kBandWidth;
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::columnStrips() const {
    return (passColumns() + kStripWidth - 1) / kStripWidth;
}

template <class Pixel>
bool GlowFilter<Pixel>::lanesFit() const {
    // Lanes take contiguous pixels of both views.
    return !Pixel::kIsFloat && passRows() > 0 && passColumns() > 0 &&
           passInput_.pixelBytes == std::int32_t(sizeof(Pixel)) &&
           passOutput_.pixelBytes == std::int32_t(sizeof(Pixel));
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::blurRowBlock(std::int32_t block) {
    if constexpr (!Pixel::kIsFloat) {
        const std::int32_t rows = passRows();
        const std::int32_t first = block * kBlockRows;
        const std::int32_t count = std::min(kBlockRows, rows - first);
        const Pixel* in[kBlockRows];
        Pixel* out[kBlockRows];
        for (std::int32_t j = 0; j < kBlockRows; ++j) {
            const std::int32_t y = first + std::min(j, count - 1);
            in[j] = passInput_.row(y);
            out[j] = passOutput_.row(y);
        }
        blurRowsInLanes(in, out, count, passColumns(), laneTent_);
        const std::int64_t allRows = std::max(rows, 1);
        for (std::int32_t j = 0; j < count; ++j) {
            const std::int32_t status = reportProgress(std::int64_t(horizontalUnit_) * allRows + first + j,
                                                       std::int64_t(unitCount_) * allRows);
            if (status != noError()) {
                return status;
            }
        }
    }
    return noError();
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::blurColumnBand(std::int32_t band) {
    const std::int32_t columns = passColumns();
    const std::int32_t first = band * kBandWidth;
    const std::int32_t end = std::min(first + kBandWidth, columns);
    if constexpr (!Pixel::kIsFloat) {
        if (columns >= kStripWidth) {
            // The whole strips of the band, then the columns left over as one strip that ends at the band's
            // end and stores only those columns. It starts at column end - 16 >= 0: a strip rounded up from
            // the band's start could begin before the row.
            const std::int32_t whole = (end - first) / kStripWidth * kStripWidth;
            if (whole > 0) {
                blurColumnsInLanes(first, whole, first);
            }
            if (first + whole < end) {
                blurColumnsInLanes(end - kStripWidth, kStripWidth, first + whole);
            }
        }
    }
    // Progress as the strips of 16 columns report it.
    const std::int64_t allColumns = std::max(columns, 1);
    for (std::int32_t x = first; x < end; x += kStripWidth) {
        if constexpr (!Pixel::kIsFloat) {
            if (columns < kStripWidth) {
                return blurColumnStrip(x / kStripWidth);
            }
        }
        const std::int32_t last = std::min(x + kStripWidth, end) - 1;
        const std::int32_t status = reportProgress(std::int64_t(verticalUnit_) * allColumns + last,
                                                   std::int64_t(unitCount_) * allColumns);
        if (status != noError()) {
            return status;
        }
    }
    return noError();
}

template <class Pixel>
void GlowFilter<Pixel>::blurColumnsInLanes(std::int32_t start, std::int32_t width, std::int32_t storeFrom) {
    if constexpr (!Pixel::kIsFloat) {
        const std::int32_t rows = passRows();
        tent::LaneRun run;
        run.depth = kSampleDepth<Pixel>;
        run.values = width * Pixel::kChannelCount;
        run.blocks = {passInput_.data + std::ptrdiff_t(start) * passInput_.pixelBytes, passInput_.rowBytes,
                      rows, 0};
        run.tent = &laneTent_;
        tent::LaneSums sums;
        tent::primeLanes(run, sums);
        std::byte* out = passOutput_.data + std::ptrdiff_t(start) * passOutput_.pixelBytes;
        if (storeFrom == start) {
            tent::runLanes(run, sums, 0, rows, out, passOutput_.rowBytes);
            return;
        }
        constexpr std::int32_t kChunkRows = 16;
        alignas(64) Pixel chunk[kChunkRows * kBandWidth];
        const std::ptrdiff_t chunkStride = std::ptrdiff_t(width) * std::ptrdiff_t(sizeof(Pixel));
        for (std::int32_t y0 = 0; y0 < rows; y0 += kChunkRows) {
            const std::int32_t y1 = std::min(rows, y0 + kChunkRows);
            tent::runLanes(run, sums, y0, y1, reinterpret_cast<std::byte*>(chunk), chunkStride);
            for (std::int32_t y = y0; y < y1; ++y) {
                std::memcpy(static_cast<void*>(passOutput_.row(y) + storeFrom),
                            chunk + (y - y0) * width + (storeFrom - start),
                            std::size_t(start + width - storeFrom) * sizeof(Pixel));
            }
        }
    }
}

template <class Pixel>
bool GlowFilter<Pixel>::floatLanesFit() const {
    return Pixel::kIsFloat && passRows() > 0 && passColumns() > 0 &&
           passInput_.pixelBytes == std::int32_t(sizeof(Pixel)) &&
           passOutput_.pixelBytes == std::int32_t(sizeof(Pixel));
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::floatColumnBands() const {
    return (passColumns() + kFloatBandWidth<Pixel> - 1) / kFloatBandWidth<Pixel>;
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::blurFloatRowBlock(std::int32_t block) {
    if constexpr (Pixel::kIsFloat) {
        static_assert(kBlockRows <= tent::kMaxFloatLines &&
                      kBlockRows * Pixel::kChannelCount <= tent::kMaxFloatLaneValues);
        const std::int32_t rows = passRows();
        const std::int32_t first = block * kBlockRows;
        const std::int32_t count = std::min(kBlockRows, rows - first);
        tent::FloatLaneRun run;
        run.lines = count;
        run.values = Pixel::kChannelCount;
        run.length = passColumns();
        run.inStride = passInput_.pixelBytes;
        run.outStride = passOutput_.pixelBytes;
        run.kernel = TentKernel::forRadius(horizontalRadius_);
        for (std::int32_t j = 0; j < count; ++j) {
            run.in[j] = reinterpret_cast<const std::byte*>(passInput_.row(first + j));
            run.out[j] = reinterpret_cast<std::byte*>(passOutput_.row(first + j));
        }
        tent::FloatLaneSums sums;
        bool nonFinite[tent::kMaxFloatLaneValues];
        tent::runFloatLanes(run, sums, nonFinite);
        const std::int64_t allRows = std::max(rows, 1);
        for (std::int32_t j = 0; j < count; ++j) {
            // A row holding an infinity or a NaN: the per-line path runs it again with tracking.
            if (std::any_of(nonFinite + j * run.values, nonFinite + (j + 1) * run.values,
                            [](bool b) { return b; })) {
                const PixelLine<Pixel> input{const_cast<std::byte*>(run.in[j]), passInput_.pixelBytes};
                const PixelLine<Pixel> output{run.out[j], passOutput_.pixelBytes};
                blurTentLine(input, output, run.length, run.kernel, truncatingWriter<Pixel>());
            }
        }
        for (std::int32_t j = 0; j < count; ++j) {
            const std::int32_t status = reportProgress(std::int64_t(horizontalUnit_) * allRows + first + j,
                                                       std::int64_t(unitCount_) * allRows);
            if (status != noError()) {
                return status;
            }
        }
    }
    return noError();
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::blurFloatColumnBand(std::int32_t band) {
    const std::int32_t columns = passColumns();
    const std::int32_t first = band * kFloatBandWidth<Pixel>;
    const std::int32_t end = std::min(first + kFloatBandWidth<Pixel>, columns);
    if constexpr (Pixel::kIsFloat) {
        tent::FloatLaneRun run;
        run.lines = 1;
        run.values = (end - first) * Pixel::kChannelCount;
        run.length = passRows();
        run.in[0] = passInput_.data + std::ptrdiff_t(first) * passInput_.pixelBytes;
        run.out[0] = passOutput_.data + std::ptrdiff_t(first) * passOutput_.pixelBytes;
        run.inStride = passInput_.rowBytes;
        run.outStride = passOutput_.rowBytes;
        run.kernel = TentKernel::forRadius(verticalRadius_);
        tent::FloatLaneSums sums;
        bool nonFinite[tent::kMaxFloatLaneValues];
        tent::runFloatLanes(run, sums, nonFinite);
        for (std::int32_t x = first; x < end; ++x) {
            const bool* flags = nonFinite + (x - first) * Pixel::kChannelCount;
            if (std::any_of(flags, flags + Pixel::kChannelCount, [](bool b) { return b; })) {
                const PixelLine<Pixel> input{passInput_.data + std::ptrdiff_t(x) * passInput_.pixelBytes,
                                             passInput_.rowBytes};
                const PixelLine<Pixel> output{passOutput_.data + std::ptrdiff_t(x) * passOutput_.pixelBytes,
                                              passOutput_.rowBytes};
                blurTentLine(input, output, run.length, run.kernel, roundingWriter<Pixel>());
            }
        }
    }
    // Progress as the strips of 16 columns report it.
    const std::int64_t allColumns = std::max(columns, 1);
    for (std::int32_t x = first; x < end; x += kStripWidth) {
        const std::int32_t last = std::min(x + kStripWidth, end) - 1;
        const std::int32_t status = reportProgress(std::int64_t(verticalUnit_) * allColumns + last,
                                                   std::int64_t(unitCount_) * allColumns);
        if (status != noError()) {
            return status;
        }
    }
    return noError();
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::runHorizontalPass() {
    if constexpr (Pixel::kIsFloat) {
        if (floatLanesFit()) {
            return runEach<&GlowFilter::blurFloatRowBlock>((passRows() + kBlockRows - 1) / kBlockRows);
        }
    }
    if constexpr (!Pixel::kIsFloat) {
        if (lanesFit()) {
            laneTent_ = rowTent<Pixel>(horizontalRadius_);
            if (laneTent_.form != IntegerTent::Form::Unsupported) {
                return runEach<&GlowFilter::blurRowBlock>((passRows() + kBlockRows - 1) / kBlockRows);
            }
        }
    }
    return runEach<&GlowFilter::blurRow>(passRows());
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::runVerticalPass() {
    if constexpr (Pixel::kIsFloat) {
        if (floatLanesFit()) {
            return runEach<&GlowFilter::blurFloatColumnBand>(floatColumnBands());
        }
    }
    if constexpr (!Pixel::kIsFloat) {
        if (lanesFit()) {
            laneTent_ = columnTent<Pixel>(verticalRadius_);
            if (laneTent_.form != IntegerTent::Form::Unsupported) {
                return runEach<&GlowFilter::blurColumnBand>(columnBands());
            }
        }
    }
    return runEach<&GlowFilter::blurColumnStrip>(columnStrips());
}

template <class Pixel>
void GlowFilter<Pixel>::clearDestination() {
    for (std::int32_t y = 0; y < destination_.height; ++y) {
        std::memset(static_cast<void*>(destination_.row(y)), 0,
                    std::size_t(destination_.width) * std::size_t(destination_.pixelBytes));
    }
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::apply(std::int32_t segmentIndex, std::int32_t segmentCount) {
    setSegment(segmentIndex, segmentCount);
    setProgressPhase(segmentIndex, segmentCount);
    if (!destination_.present) {
        return noError();
    }
    if (!source_.present) {
        clearDestination();
        return noError();
    }
    ScratchImage<Pixel> scratch(host());
    PixelArray<Pixel> intermediate = intermediate_;
    if (!intermediate.present) {
        if (!scratch.allocate(source_.width, source_.height, source_.originX, source_.originY)) {
            return outOfMemoryError();
        }
        intermediate = scratch.view();
    }
    setPassViews(source_, intermediate);
    std::int32_t status = runHorizontalPass();
    if (status == noError()) {
        setPassViews(intermediate, destination_);
        status = runVerticalPass();
    }
    // The scratch intermediate goes away with this call: leave no view of it behind.
    setPassViews(PixelArray<Pixel>{}, PixelArray<Pixel>{});
    return status;
}

template class GlowFilter<Pixel8>;
template class GlowFilter<Pixel16>;
template class GlowFilter<PixelFloat>;
template class GlowFilter<AccumulationPixel8>;
template class GlowFilter<AccumulationPixel16>;
template class GlowFilter<AccumulationPixelFloat>;

} // namespace korvane
