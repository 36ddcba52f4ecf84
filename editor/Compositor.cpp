#include "editor/Compositor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace korvane {

namespace {

constexpr double kByteMax = 255.0;
constexpr std::uint8_t kOpaque = 255;

} // namespace

void blendPixel(BgraImage& image, int x, int y, const EditorColour& colour, double coverage) {
    blendPixel(image, x, y, BlendColour(colour), coverage);
}

void scalePixel(BgraImage& image, int x, int y, double keep) {
    if (!image.contains(x, y)) {
        return;
    }
    std::uint8_t* p = image.pixel(x, y);
    for (int c = 0; c < 3; ++c) {
        p[c] = static_cast<std::uint8_t>(std::clamp(p[c] * keep, 0.0, kByteMax));
    }
    p[3] = kOpaque;
}

void fillImage(BgraImage& image, const std::uint8_t rgb[3]) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            std::uint8_t* p = image.pixel(x, y);
            p[0] = rgb[2];
            p[1] = rgb[1];
            p[2] = rgb[0];
            p[3] = kOpaque;
        }
    }
}

void fillRect(BgraImage& image, const PanelRect& rect, const EditorColour& colour) {
    const int left = std::max(rect.left, 0);
    const int right = std::min(rect.right, image.width());
    const int top = std::max(rect.top, 0);
    const int bottom = std::min(rect.bottom, image.height());
    const BlendColour target(colour);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            blendPixel(image, x, y, target, 1.0);
        }
    }
}

void blendCoverage(BgraImage& image, const CoverageMap& map, const EditorColour& colour, double opacity) {
    const PanelRect& area = map.area();
    const BlendColour target(colour);
    for (int x = std::max(area.left, 0); x < std::min(area.right, image.width()); ++x) {
        // Only the rows a walker reached: a curve covers a few rows of each column.
        const int bottom = std::min(map.coveredBottom(x), image.height());
        for (int y = std::max(map.coveredTop(x), 0); y < bottom; ++y) {
            const float coverage = map.at(x, y);
            if (coverage > 0.0f) {
                blendPixel(image, x, y, target, coverage * opacity);
            }
        }
    }
}

namespace {

// The part `area` of a bitmap (already clipped) blended pixel by pixel; `targetOf(i)` is the colour of bitmap
// pixel i.
template <class TargetOf>
void blendBitmapRows(BgraImage& image, const MaskedBitmap& bitmap, int x, int y, const PanelRect& area,
                     double opacity, TargetOf targetOf) {
    // A mask byte's coverage is one of 256 values: the same m / 255 * opacity as worked out per pixel.
    std::array<double, 256> coverageOf;
    for (int m = 0; m < 256; ++m) {
        coverageOf[std::size_t(m)] = m / kByteMax * opacity;
    }
    for (int py = area.top; py < area.bottom; ++py) {
        const std::size_t rowStart =
            static_cast<std::size_t>(py - y) * static_cast<std::size_t>(bitmap.width);
        std::uint8_t* out = image.pixel(area.left, py);
        for (int px = area.left; px < area.right; ++px, out += 4) {
            const std::size_t i = rowStart + static_cast<std::size_t>(px - x);
            const double coverage = coverageOf[bitmap.mask[i]];
            if (!(coverage > 0.0)) {
                continue;
            }
            blendBytes(out, targetOf(i), coverage);
        }
    }
}

} // namespace

void drawBitmapClipped(BgraImage& image, const MaskedBitmap& bitmap, int x, int y, double opacity,
                       const PanelRect& clip, const EditorColour& colour) {
    const PanelRect area{std::max({x, clip.left, 0}), std::max({y, clip.top, 0}),
                         std::min({x + bitmap.width, clip.right, image.width()}),
                         std::min({y + bitmap.height, clip.bottom, image.height()})};
    if (area.left >= area.right || area.top >= area.bottom) {
        return;
    }
    if (bitmap.rgb != nullptr) {
        // A byte colour blends towards exactly its bytes: no per-pixel rounding needed.
        const std::uint8_t* rgb = bitmap.rgb;
        blendBitmapRows(image, bitmap, x, y, area, opacity, [rgb](std::size_t i) {
            return BlendColour::ofBytes(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
        });
    } else {
        const BlendColour fixed(colour);
        blendBitmapRows(image, bitmap, x, y, area, opacity, [&fixed](std::size_t) { return fixed; });
    }
}

void drawBitmap(BgraImage& image, const MaskedBitmap& bitmap, int x, int y, double opacity,
                const EditorColour& colour) {
    constexpr int kAll = std::numeric_limits<int>::max() / 2;
    drawBitmapClipped(image, bitmap, x, y, opacity, PanelRect{-kAll, -kAll, kAll, kAll}, colour);
}

} // namespace korvane
