#include "editor/CurvePainter.h"

#include "curves/KnotList.h"
#include "editor/Compositor.h"
#include "editor/CoverageMap.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr double kLineHalfWidth = 1.5;
// Rows far beyond the plot are held there; the walker clips them anyway.
constexpr double kRowLimit = 1.0e6;

double curveRow(const PlotMapping& mapping, double y) {
    const double pixelsPerUnit = 1.0 / mapping.unitsPerPixelY();
    const double row = mapping.plot().bottom - (y - mapping.view().yStart) * pixelsPerUnit - 0.5;
    return std::isfinite(row) ? std::clamp(row, -kRowLimit, kRowLimit) : row;
}

// Draws through `coverage`, a clear map over the plot, and leaves it clear.
void paintCurveThrough(CoverageMap& coverage, BgraImage& image, const EditorView& view, const Curve& curve,
                       const EditorColour& colour, double opacity) {
    const PlotMapping& mapping = view.mapping();
    const PanelRect plot = view.layout().plot();
    const KnotList knots(curve, view.slope());
    double previousRow = 0.0;
    for (int column = plot.left; column < plot.right; ++column) {
        double x = mapping.unitX(column);
        if (curve.loop != 0) {
            x = wrapUnit(x);
        }
        const double row = curveRow(mapping, knots.evaluate(x));
        if (column > plot.left) {
            coverSegment(coverage, column - 1, previousRow, column, row, kLineHalfWidth);
        }
        previousRow = row;
    }
    blendCoverage(image, coverage, colour, opacity);
    coverage.clearCovered();
}

} // namespace

void paintCurve(BgraImage& image, const EditorView& view, const Curve& curve, const EditorColour& colour,
                double opacity) {
    CoverageMap coverage(view.layout().plot());
    paintCurveThrough(coverage, image, view, curve, colour, opacity);
}

void paintCurves(BgraImage& image, const EditorView& view) {
    const EditorPresentation& presentation = view.presentation();
    const double faint = presentation.otherCurveOpacity();
    // One map for all the curves: each curve clears only the rows it covered.
    CoverageMap coverage(view.layout().plot());
    for (int index = kCurveCount - 1; index >= 0; --index) {
        if (index == view.currentIndex()) {
            continue;
        }
        const int shown = view.curves().shown[index];
        paintCurveThrough(coverage, image, view, view.curves().curves[shown], presentation.curveColour(index),
                          faint);
    }
    paintCurveThrough(coverage, image, view, view.curve(), presentation.curveColour(view.shownIndex()), 1.0);
}

} // namespace korvane
