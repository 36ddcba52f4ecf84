#pragma once
#include "editor/BgraImage.h"
#include "editor/EditorView.h"

#include <string>

namespace korvane {

// The grid of one axis: lines every `spacing` curve units, heavier at every 2nd, 10th and 20th line.
struct GridAxis {
    double spacing;
    // The scale of spacing: 0.05 * multiplier.
    double multiplier;
};

GridAxis gridAxis(double extent);

// Weight of line k: 20, 10, 2 or 1.
int gridLineWeight(long long k);

// The text of a grid label: "-" for negative values, the integer digits and, with decimals, a "." and
// that many decimals; value offset by 0.000001 before its digits are taken.
std::string gridLabelText(double value, int decimals);

// How many decimals labels need for lines `scaledSpacing` apart (spacing times the display scale).
int gridLabelDecimals(double scaledSpacing);

// Grid lines and their labels over the plot.
void paintGrid(BgraImage& image, const EditorView& view);

// Draws text of the digit font with its top-left corner at (x, y), blending `colour` by each glyph
// pixel's coverage; pixels outside `clip` are left alone.
void paintDigits(BgraImage& image, const std::string& text, int x, int y, const EditorColour& colour,
                 const PanelRect& clip);

} // namespace korvane
