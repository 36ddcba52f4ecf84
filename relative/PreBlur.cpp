// The pre blur: the source (the base layer, or the input) blurred over the output's rectangle before the
// main pass reads its properties.
#include "relative/RgbaCurvesFilter.h"

#include "pixels/GlowFilter.h"
#include "relative/RenderPhases.h"

#include <algorithm>
#include <cstring>

namespace korvane::relative {

namespace {

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

template std::int32_t RgbaCurvesFilter<Pixel8>::preBlur(ScratchBuffer&, ScratchBuffer&);
template std::int32_t RgbaCurvesFilter<Pixel16>::preBlur(ScratchBuffer&, ScratchBuffer&);
template std::int32_t RgbaCurvesFilter<PixelFloat>::preBlur(ScratchBuffer&, ScratchBuffer&);

} // namespace korvane::relative
