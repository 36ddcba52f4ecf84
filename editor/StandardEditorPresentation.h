#pragma once
#include "editor/EditorPresentation.h"

namespace korvane {

// The editor's own presentation: curve colours by the Relative curve indices, input colour functions by
// the input property, a black output bar, one-colour and red-green-blue histograms, grid lines at every
// position.
class StandardEditorPresentation : public EditorPresentation {
public:
    EditorColour curveColour(int curveIndex) const override;
    double otherCurveOpacity() const override { return 0.15; }
    EditorColour inputAxisColour(int curveIndex, int inputProperty, double v, double fade) const override;
    bool hasOutputAxis() const override { return false; }
    EditorColour outputAxisColour(int curveIndex, double v, double fade) const override;
    HistogramLayers histogramLayers(int curveIndex, int inputProperty, int histogramMode,
                                    int curveSetting) const override;
    bool gridNonNegativeOnly() const override { return false; }
    void resetCurve(Curve& curve, int curveIndex, double neutralSlope) const override;
};

// The input colour function of a property (0 brightness .. 6 alpha, 7 post blur): the hue circle for
// hue, a ramp of red, green or blue for those, a grey ramp for everything else. v is clamped to 0..1.
EditorColour propertyAxisColour(int property, double v, double fade);

// The histogram colour of an input property.
EditorColour propertyHistogramColour(int property);

} // namespace korvane
