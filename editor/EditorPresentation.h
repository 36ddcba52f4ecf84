#pragma once
#include "curves/Curve.h"
#include "editor/EditorColour.h"

#include <array>

namespace korvane {

// One histogram display: for each colour channel (red, green, blue) the bin array its bar height comes
// from, the colour the bars blend towards and their opacity. A one-colour display names the same array
// three times.
struct HistogramLayer {
    std::array<int, 3> arrays;
    EditorColour colour;
    double opacity;
};

// The displays of one redraw, drawn in order.
struct HistogramLayers {
    std::array<HistogramLayer, 2> layers{};
    int count = 0;

    void add(const HistogramLayer& layer) {
        if (count < static_cast<int>(layers.size())) {
            layers[count++] = layer;
        }
    }
};

// What the curve editor draws differently per effect: colours, colour bars, histograms, the grid rule
// and the curve a reset restores. Curve indices are those of the effect's curve set; the input property
// is the one the curve's amount is read from (the Relative effect's resolved "based on").
class EditorPresentation {
public:
    virtual ~EditorPresentation() = default;

    virtual EditorColour curveColour(int curveIndex) const = 0;
    // Opacity of the curves behind the one shown.
    virtual double otherCurveOpacity() const = 0;

    // Colour of the input axis at value v; the fade f (0..1) moves it towards grey where the
    // function has a fade.
    virtual EditorColour inputAxisColour(int curveIndex, int inputProperty, double v, double fade) const = 0;
    // Without an output axis the output bar is black and the input bar shows the input only.
    virtual bool hasOutputAxis() const = 0;
    virtual EditorColour outputAxisColour(int curveIndex, double v, double fade) const = 0;

    // histogramMode: the mode the render counted under; curveSetting: the shown curve's own
    // `histogram` setting.
    virtual HistogramLayers histogramLayers(int curveIndex, int inputProperty, int histogramMode,
                                            int curveSetting) const = 0;

    // Grid lines only at non-negative positions, vertical lines ending at y = 0.
    virtual bool gridNonNegativeOnly() const = 0;

    // What the reset-curve button restores.
    virtual void resetCurve(Curve& curve, int curveIndex, double neutralSlope) const = 0;
};

} // namespace korvane
