#pragma once
#include "editor/BgraImage.h"
#include "editor/EditorView.h"

namespace korvane {

// One curve across the plot: a sample per pixel column joined by an anti-aliased 3-pixel line.
void paintCurve(BgraImage& image, const EditorView& view, const Curve& curve, const EditorColour& colour,
                double opacity);

// The other curves faintly (from index 7 down to 0), then the shown curve.
void paintCurves(BgraImage& image, const EditorView& view);

} // namespace korvane
