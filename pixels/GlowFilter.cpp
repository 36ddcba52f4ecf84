#include "pixels/GlowFilter.h"

#include "pixels/PixelRGB.h"
#include "pixels/ScratchBuffer.h"
#include "pixels/TentLine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace korvane {
namespace {

// The running sums in doubles may land a few ulps below a whole number that is the exact result, and a
// truncating store would then lose 1 (a uniform 100 came out as 99). Adding this tolerance before truncating
// takes a value that close below a whole number as that number; genuine results of the kernel lie much
// farther from one.
constexpr double kWholeTolerance = 1e-6;

// Stores one blurred value. Integer depths add `bias` (the tolerance, plus 0.5 where the pass rounds half up)
// and truncate, at most max. The value is a weighted average of samples, within a hair of [0, 65535], and the
// bias is larger than that hair: the conversion cannot overflow or go below 0. Only 16-bit samples above
// 32768, which a host should not hand over, need the clamp. Float depths store the value as it is.
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
    return {kWholeTolerance};
}

template <class Pixel>
ChannelWriter<Pixel> roundingWriter() {
    return {0.5 + kWholeTolerance};
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
std::int32_t GlowFilter<Pixel>::columnStripJob(void* filter, std::int32_t item, std::int32_t /*itemCount*/,
                                               std::int32_t /*thread*/) {
    auto& self = *static_cast<GlowFilter*>(filter);
    if (self.runFailed()) {
        return self.recordedFailure();
    }
    if (item < 0 || item >= self.columnStrips()) {
        return self.noError();
    }
    const std::int32_t status = self.blurColumnStrip(item);
    self.recordFailure(status);
    return status;
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::columnStrips() const {
    return (passColumns() + kStripWidth - 1) / kStripWidth;
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::horizontalJob(void* filter, std::int32_t item, std::int32_t /*itemCount*/,
                                              std::int32_t /*thread*/) {
    auto& self = *static_cast<GlowFilter*>(filter);
    if (self.runFailed()) {
        return self.recordedFailure();
    }
    if (item < 0 || item >= self.passRows()) {
        return self.noError();
    }
    const std::int32_t status = self.blurRow(item);
    self.recordFailure(status);
    return status;
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::verticalJob(void* filter, std::int32_t item, std::int32_t /*itemCount*/,
                                            std::int32_t /*thread*/) {
    auto& self = *static_cast<GlowFilter*>(filter);
    if (self.runFailed()) {
        return self.recordedFailure();
    }
    if (item < 0 || item >= self.passColumns()) {
        return self.noError();
    }
    const std::int32_t status = self.blurColumn(item);
    self.recordFailure(status);
    return status;
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::runHorizontalPass() {
    return runItems(passRows(), &GlowFilter::horizontalJob);
}

template <class Pixel>
std::int32_t GlowFilter<Pixel>::runVerticalPass() {
    return runItems(columnStrips(), &GlowFilter::columnStripJob);
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
