#pragma once
#include "editor/BgraImage.h"
#include "editor/CoverageMap.h"
#include "editor/EditorColour.h"

#include <cstdint>

namespace korvane {

// The one place where colour meets the image. Every write is clipped to the image; a coverage c blends
// colour K into pixel P as P (1 - c) + K c per channel, truncated, and alpha is always 255.
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
