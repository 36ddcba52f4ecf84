#include "editor/GridPainter.h"

#include "editor/Compositor.h"
#include "editor/EditorBitmaps.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr double kMinimumExtent = 0.001;
constexpr double kBaseSpacing = 0.05;
const BlendColour kLineGrey(greyByte(51));
constexpr double kLabelOffset = 0.000001;
// Labels of a weight are drawn only when its lines are further apart than this.
constexpr int kLabelCharacters = 3;
constexpr double kYLabelSpacing = 20.0;
// Beyond this the integer part would not fit the panel anyway.
constexpr double kLargestLabel = 1e15;

struct Line {
    double position;
    int weight;
    bool solid;
};

double lineStrength(int weight, double spacing, double extent) {
    return std::min(1.0, weight * 4.0 * spacing / extent);
}

// Calls visit(line) for every grid line across [start, end]. A view too far out for the line numbers to
// be exact has no grid.
template <class Visit>
void forEachLine(double start, double end, const GridAxis& axis, bool nonNegative, bool withMinusOne,
                 Visit visit) {
    constexpr double kLargestLineNumber = 1e15;
    constexpr long long kMostLines = 1000;
    double first = std::ceil(start / axis.spacing);
    const double last = std::floor(end / axis.spacing);
    if (nonNegative) {
        first = std::max(first, 0.0);
    }
    if (!(std::abs(first) < kLargestLineNumber) || !(std::abs(last) < kLargestLineNumber)) {
        return;
    }
    const long long one = std::llround(1.0 / axis.spacing);
    const long long from = static_cast<long long>(first);
    const long long to = std::min(static_cast<long long>(last), from + kMostLines);
    for (long long k = from; k <= to; ++k) {
        const bool solid = k == 0 || k == one || (withMinusOne && k == -one);
        visit(Line{double(k) * axis.spacing, gridLineWeight(k), solid});
    }
}

void blendGridPixel(BgraImage& image, int x, int y, const Line& line, double strength) {
    // The pixel keeps the fraction 0.98 (1 - J) + 0.4 J of itself and takes the rest from grey 51.
    const double keep = line.solid ? 0.0 : 0.98 * (1.0 - strength) + 0.4 * strength;
    blendPixel(image, x, y, kLineGrey, 1.0 - keep);
}

double pixelsPerLineOfWeight(int weight, double spacing, double unitsPerPixel) {
    return weight * spacing / unitsPerPixel;
}

} // namespace

GridAxis gridAxis(double extent) {
    double e = std::max(extent, kMinimumExtent);
    double m = 1.0;
    while (e <= 0.5) {
        e *= 10.0;
        m *= 0.1;
    }
    while (e >= 5.0) {
        e *= 0.1;
        m *= 10.0;
    }
    return {kBaseSpacing * m, m};
}

int gridLineWeight(long long k) {
    if (k % 20 == 0) {
        return 20;
    }
    if (k % 10 == 0) {
        return 10;
    }
    return k % 2 == 0 ? 2 : 1;
}

int gridLabelDecimals(double scaledSpacing) {
    int decimals = 0;
    double s = scaledSpacing;
    while (s < 1.0 && s > 0.0 && decimals < 15) {
        s *= 10.0;
        ++decimals;
    }
    return decimals;
}

std::string gridLabelText(double value, int decimals) {
    std::string text;
    const bool negative = value < 0.0;
    double v = std::abs(value) + kLabelOffset;
    if (!(v < kLargestLabel)) {
        return text;
    }
    const double integer = std::floor(v);
    text = std::to_string(static_cast<long long>(integer));
    if (decimals > 0) {
        text += '.';
        double fraction = v - integer;
        for (int d = 0; d < decimals; ++d) {
            fraction *= 10.0;
            const int digit = std::clamp(static_cast<int>(fraction), 0, 9);
            text += static_cast<char>('0' + digit);
            fraction -= digit;
        }
    }
    return negative ? "-" + text : text;
}

void paintDigits(BgraImage& image, const std::string& text, int x, int y, const EditorColour& colour,
                 const PanelRect& clip) {
    using namespace bitmaps;
    int cursor = x;
    for (char ch : text) {
        int glyph = -1;
        int left = cursor;
        if (ch >= '0' && ch <= '9') {
            glyph = ch - '0';
        } else if (ch == '.') {
            glyph = kGlyphDot;
        } else if (ch == '-') {
            glyph = kGlyphMinus;
            left = x - 6; // hangs before the first digit
        }
        if (glyph < 0) {
            continue;
        }
        for (int row = 0; row < kFontHeight; ++row) {
            for (int col = 0; col < kGlyphAdvance; ++col) {
                const int value = kDigitFont[row * kFontWidth + glyph * kGlyphAdvance + col];
                const int px = left + col;
                const int py = y + row;
                if (value >= kFontInkFloor && clip.contains(px, py)) {
                    blendPixel(image, px, py, colour, (value - kFontInkFloor) / 255.0);
                }
            }
        }
        if (ch != '-') {
            cursor += kGlyphAdvance;
        }
    }
}

void paintGrid(BgraImage& image, const EditorView& view) {
    const PlotMapping& mapping = view.mapping();
    const ViewBounds& v = mapping.view();
    const PanelRect plot = view.layout().plot();
    const bool nonNegative = view.presentation().gridNonNegativeOnly();
    const GridAxis xAxis = gridAxis(v.width());
    const GridAxis yAxis = gridAxis(v.height());

    // Vertical lines stop at the y = 0 line when the grid has no negative part and that line shows.
    int verticalBottom = plot.bottom;
    if (nonNegative) {
        const int zeroRow = mapping.pixelY(0.0);
        if (zeroRow >= plot.top && zeroRow < plot.bottom) {
            verticalBottom = zeroRow;
        }
    }
    forEachLine(v.xStart, v.xEnd, xAxis, nonNegative, false, [&](const Line& line) {
        const int x = mapping.pixelX(line.position);
        if (x < plot.left || x >= plot.right) {
            return;
        }
        const double strength = lineStrength(line.weight, xAxis.spacing, v.width());
        for (int y = plot.top; y < verticalBottom; ++y) {
            blendGridPixel(image, x, y, line, strength);
        }
    });
    forEachLine(v.yStart, v.yEnd, yAxis, nonNegative, true, [&](const Line& line) {
        const int y = mapping.pixelY(line.position);
        if (y < plot.top || y >= plot.bottom) {
            return;
        }
        const double strength = lineStrength(line.weight, yAxis.spacing, v.height());
        for (int x = plot.left; x < plot.right; ++x) {
            blendGridPixel(image, x, y, line, strength);
        }
    });

    // Labels in display units.
    const double scale = view.scale();
    const int xDecimalsNeeded = gridLabelDecimals(xAxis.spacing * scale);
    forEachLine(v.xStart, v.xEnd, xAxis, nonNegative, false, [&](const Line& line) {
        const double apart = pixelsPerLineOfWeight(line.weight, xAxis.spacing, mapping.unitsPerPixelX());
        int decimals = xDecimalsNeeded;
        if (decimals > 0 && !(apart > bitmaps::kGlyphAdvance * (decimals + kLabelCharacters))) {
            --decimals;
        }
        if (!(apart > bitmaps::kGlyphAdvance * (decimals + kLabelCharacters))) {
            return;
        }
        const int x = mapping.pixelX(line.position);
        paintDigits(image, gridLabelText(line.position * scale, decimals), x - 8, plot.bottom - 12,
                    EditorColour{0.0, 0.0, 0.0}, plot);
    });
    const int yDecimals = gridLabelDecimals(yAxis.spacing * scale);
    const PanelRect yClip{plot.left, plot.top, plot.right, plot.bottom - 12};
    forEachLine(v.yStart, v.yEnd, yAxis, nonNegative, true, [&](const Line& line) {
        const double apart = pixelsPerLineOfWeight(line.weight, yAxis.spacing, mapping.unitsPerPixelY());
        if (!(apart > kYLabelSpacing)) {
            return;
        }
        const int y = mapping.pixelY(line.position);
        paintDigits(image, gridLabelText(line.position * scale, yDecimals), plot.left + 7, y - 11,
                    EditorColour{1.0, 1.0, 1.0}, yClip);
    });
}

} // namespace korvane
