#include "editor/Compositor.h"

#include <algorithm>
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

void drawBitmapClipped(BgraImage& image, const MaskedBitmap& bitmap, int x, int y, double opacity,
                       const PanelRect& clip, const EditorColour& colour) {
    const PanelRect imageRect{0, 0, image.width(), image.height()};
    const int left = std::max({x, clip.left, imageRect.left});
    const int right = std::min({x + bitmap.width, clip.right, imageRect.right});
    const int top = std::max({y, clip.top, imageRect.top});
    const int bottom = std::min({y + bitmap.height, clip.bottom, imageRect.bottom});
    const BlendColour fixed(colour);
    for (int py = top; py < bottom; ++py) {
        for (int px = left; px < right; ++px) {
            const std::size_t i = static_cast<std::size_t>(py - y) * static_cast<std::size_t>(bitmap.width) +
                                  static_cast<std::size_t>(px - x);
            const double coverage = bitmap.mask[i] / kByteMax * opacity;
            if (coverage <= 0.0) {
                continue;
            }
            // A byte colour blends towards exactly its bytes: no per-pixel rounding needed.
            const BlendColour target =
                bitmap.rgb != nullptr
                    ? BlendColour::ofBytes(bitmap.rgb[3 * i], bitmap.rgb[3 * i + 1], bitmap.rgb[3 * i + 2])
                    : fixed;
            blendPixel(image, px, py, target, coverage);
        }
    }
}

void drawBitmap(BgraImage& image, const MaskedBitmap& bitmap, int x, int y, double opacity,
                const EditorColour& colour) {
    constexpr int kAll = std::numeric_limits<int>::max() / 2;
    drawBitmapClipped(image, bitmap, x, y, opacity, PanelRect{-kAll, -kAll, kAll, kAll}, colour);
}

} // namespace korvane
