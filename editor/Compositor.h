#pragma once
#include "editor/BgraImage.h"
#include "editor/CoverageMap.h"
#include "editor/EditorColour.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace korvane {

// A colour as the byte values it blends towards, worked out once for the many pixels of one shape. A
// colour given as whole bytes (grey 116 is 116/255) stays exactly that byte.
struct BlendColour {
    double b;
    double g;
    double r;

    explicit BlendColour(const EditorColour& colour)
        : b(byteTarget(colour.b)), g(byteTarget(colour.g)), r(byteTarget(colour.r)) {}

    // The colour of red, green, blue bytes: what the constructor makes of byte / 255, without the rounding.
    static BlendColour ofBytes(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        return BlendColour(double(blue), double(green), double(red));
    }

    static double byteTarget(double component) {
        const double target = component * 255.0;
        const double nearest = std::round(target);
        return std::abs(target - nearest) < 1e-6 ? nearest : target;
    }

private:
    BlendColour(double blue, double green, double red) : b(blue), g(green), r(red) {}
};

// One channel byte blended towards `target` at `coverage` (> 0): P (1 - c) + K c, truncated.
inline std::uint8_t blendByte(std::uint8_t pixel, double target, double coverage) {
    if (coverage >= 1.0) {
        return static_cast<std::uint8_t>(std::clamp(target, 0.0, 255.0));
    }
    const double keep = 1.0 - coverage;
    return static_cast<std::uint8_t>(std::clamp(pixel * keep + target * coverage, 0.0, 255.0));
}

// One pixel's blue, green, red, alpha bytes blended towards the colour at `coverage` (> 0); alpha is 255.
inline void blendBytes(std::uint8_t* p, const BlendColour& colour, double coverage) {
    p[0] = blendByte(p[0], colour.b, coverage);
    p[1] = blendByte(p[1], colour.g, coverage);
    p[2] = blendByte(p[2], colour.r, coverage);
    p[3] = 255;
}

inline void blendPixel(BgraImage& image, int x, int y, const BlendColour& colour, double coverage) {
    if (!image.contains(x, y) || !(coverage > 0.0)) {
        return;
    }
    blendBytes(image.pixel(x, y), colour, coverage);
}

// blendPixel towards one colour at one coverage (> 0) for the many pixels of a filled shape: each
// channel's result for all 256 byte values, worked out once with the same arithmetic.
class ByteBlend {
public:
    ByteBlend(const BlendColour& colour, double coverage) {
        for (int v = 0; v < 256; ++v) {
            const auto byte = static_cast<std::uint8_t>(v);
            blue_[byte] = blendByte(byte, colour.b, coverage);
            green_[byte] = blendByte(byte, colour.g, coverage);
            red_[byte] = blendByte(byte, colour.r, coverage);
        }
    }

    void apply(std::uint8_t* pixel) const {
        pixel[0] = blue_[pixel[0]];
        pixel[1] = green_[pixel[1]];
        pixel[2] = red_[pixel[2]];
        pixel[3] = 255;
    }

private:
    std::array<std::uint8_t, 256> blue_;
    std::array<std::uint8_t, 256> green_;
    std::array<std::uint8_t, 256> red_;
};

// Blends a colour into the image where a drawing covers it. Every write is clipped to the image; a
// coverage c blends colour K into pixel P as P (1 - c) + K c per channel, truncated, and alpha is always 255.
void blendPixel(BgraImage& image, int x, int y, const EditorColour& colour, double coverage);

// Keeps the fraction `keep` of the pixel: 0.6 darkens it to 60 %.
void scalePixel(BgraImage& image, int x, int y, double keep);

void fillImage(BgraImage& image, const std::uint8_t rgb[3]);
void fillRect(BgraImage& image, const PanelRect& rect, const EditorColour& colour);

// Blends the colour through a coverage map, each coverage multiplied by the opacity.
void blendCoverage(BgraImage& image, const CoverageMap& map, const EditorColour& colour, double opacity);

// A bitmap of `width` x `height` pixels placed with its top-left corner at (x, y), its pixels read as
// 8-bit coverage (mask) and, when `rgb` is given, red, green, blue bytes; without rgb the colour is used.
struct MaskedBitmap {
    const std::uint8_t* rgb;
    const std::uint8_t* mask;
    int width;
    int height;
};

void drawBitmap(BgraImage& image, const MaskedBitmap& bitmap, int x, int y, double opacity,
                const EditorColour& colour = {0.0, 0.0, 0.0});

// The same bitmap restricted to the part of the image inside `clip`.
void drawBitmapClipped(BgraImage& image, const MaskedBitmap& bitmap, int x, int y, double opacity,
                       const PanelRect& clip, const EditorColour& colour = {0.0, 0.0, 0.0});

} // namespace korvane
