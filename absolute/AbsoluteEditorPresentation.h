#pragma once
#include "editor/EditorPresentation.h"

namespace korvane {

// The curve editor as the Absolute effect shows its eight channels (brightness, saturation, hue, rgb,
// red, green, blue, alpha): channel colours, an axis colour function per channel on both colour bars,
// input and output histograms, a grid without negative positions, and the hue curve's own reset.
class AbsoluteEditorPresentation : public EditorPresentation {
public:
    EditorColour curveColour(int channel) const override;
    double otherCurveOpacity() const override { return 0.25; }
    EditorColour inputAxisColour(int channel, int inputProperty, double v, double fade) const override;
    bool hasOutputAxis() const override { return true; }
    EditorColour outputAxisColour(int channel, double v, double fade) const override;
    HistogramLayers histogramLayers(int channel, int inputProperty, int histogramMode,
                                    int curveSetting) const override;
    bool gridNonNegativeOnly() const override { return true; }
    // The hue curve goes back to looping with one node at (0.5, 0.5), the others to the identity.
    void resetCurve(Curve& curve, int channel, double neutralSlope) const override;
};

// The axis colour of a channel at value v with fade f, in single precision as the "select node"
// colour readouts show it: grey, red, green or blue ramps (v clamped to 0..1), the hue circle for hue.
EditorColour absoluteAxisColour(int channel, double v, double fade);

} // namespace korvane
