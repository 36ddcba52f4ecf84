#include "editor/StandardEditorPresentation.h"

#include "curves/HuePlane.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace korvane {

namespace {

enum Property { Brightness = 0, Saturation, Hue, Red, Green, Blue, Alpha, PostBlur };

constexpr std::array<EditorColour, 8> kCurveColours{{
    {1.0, 1.0, 1.0},
    {1.0, 1.0, 0.0},
    {0.0, 1.0, 1.0},
    {1.0, 0.0, 0.0},
    {0.0, 1.0, 0.0},
    {0.0, 0.0, 1.0},
    {0.0, 0.0, 0.0},
    {0.0, 0.5, 0.5},
}};

constexpr std::array<EditorColour, 8> kHistogramColours{{
    {0.76, 0.688, 0.52},
    {0.76, 0.688, 0.12},
    {0.36, 0.688, 0.52},
    {0.76, 0.288, 0.12},
    {0.36, 0.688, 0.12},
    {0.36, 0.288, 0.52},
    {0.36, 0.288, 0.12},
    {0.36, 0.488, 0.32},
}};

constexpr EditorColour kRgbHistogramColour{0.36, 0.6, 1.0};
constexpr double kOneColourOpacity = 0.5;
constexpr double kRgbOpacity = 0.7;

bool validIndex(int index) {
    return index >= 0 && index < 8;
}

} // namespace

EditorColour propertyAxisColour(int property, double v, double fade) {
    v = std::clamp(v, 0.0, 1.0);
    switch (property) {
    case Hue: {
        const double a = 2.0 * std::numbers::pi * v;
        const double k = (1.0 - fade) * 0.5 * kHueYBlue;
        return {0.5 + kHueYRedGreen * k * std::cos(a) + kHueX * k * std::sin(a),
                0.5 + kHueYRedGreen * k * std::cos(a) - kHueX * k * std::sin(a),
                0.5 - kHueYBlue * k * std::cos(a)};
    }
    case Red:
        return {v, 0.0, 0.0};
    case Green:
        return {0.0, v, 0.0};
    case Blue:
        return {0.0, 0.0, v};
    default:
        return {v, v, v};
    }
}

EditorColour propertyHistogramColour(int property) {
    return validIndex(property) ? kHistogramColours[property] : kHistogramColours[Brightness];
}

EditorColour StandardEditorPresentation::curveColour(int curveIndex) const {
    return validIndex(curveIndex) ? kCurveColours[curveIndex] : kCurveColours[Brightness];
}

EditorColour StandardEditorPresentation::inputAxisColour(int, int inputProperty, double v,
                                                         double fade) const {
    return propertyAxisColour(inputProperty, v, fade);
}

EditorColour StandardEditorPresentation::outputAxisColour(int, double, double) const {
    return {0.0, 0.0, 0.0};
}

HistogramLayers StandardEditorPresentation::histogramLayers(int, int inputProperty, int histogramMode,
                                                            int curveSetting) const {
    HistogramLayers result;
    if (histogramMode == 1) {
        result.add({{0, 0, 0}, propertyHistogramColour(inputProperty), kOneColourOpacity});
    } else if (histogramMode == 2 && curveSetting != 1) {
        result.add({{0, 1, 2}, kRgbHistogramColour, kRgbOpacity});
    }
    return result;
}

void StandardEditorPresentation::resetCurve(Curve& curve, int, double neutralSlope) const {
    korvane::resetCurve(curve, neutralSlope);
}

} // namespace korvane
