#include "absolute/AbsoluteEditorPresentation.h"

#include "curves/CurveSet.h"
#include "curves/HuePlane.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvane {

namespace {

enum Channel { Brightness = 0, Saturation, Hue, Rgb, Red, Green, Blue, Alpha };

constexpr std::array<EditorColour, 8> kChannelColours{{
    {0.9, 0.85, 0.8},
    {1.0, 1.0, 0.0},
    {0.0, 1.0, 1.0},
    {1.0, 1.0, 1.0},
    {1.0, 0.0, 0.0},
    {0.0, 1.0, 0.0},
    {0.0, 0.0, 1.0},
    {0.0, 0.0, 0.0},
}};

constexpr std::array<EditorColour, 8> kHistogramColours{{
    {1.0, 1.0, 1.0},
    {1.0, 1.0, 0.0},
    {0.0, 1.0, 1.0},
    {1.0, 1.0, 1.0},
    {1.0, 0.0, 0.0},
    {0.0, 1.0, 0.0},
    {0.0, 0.0, 1.0},
    {0.0, 0.0, 0.0},
}};

constexpr EditorColour kRgbInputHistogram{0.2, 0.2, 0.2};
constexpr EditorColour kRgbHistogram{0.84, 0.9, 1.0};
constexpr double kOneChannelOpacity = 0.5;
constexpr double kRgbOpacity = 0.7;

bool validChannel(int channel) {
    return channel >= 0 && channel < 8;
}

EditorColour floatColour(float r, float g, float b) {
    return {r, g, b};
}

} // namespace

EditorColour absoluteAxisColour(int channel, double v, double fade) {
    const float value = static_cast<float>(v);
    const float clamped = std::clamp(value, 0.0f, 1.0f);
    switch (channel) {
    case Hue: {
        const float a = 2.0f * 3.14159265358979323846f * value;
        const float k = (1.0f - static_cast<float>(fade)) * 0.5f * float(kHueYBlue);
        const float c = k * std::cos(a);
        const float s = k * std::sin(a);
        const float e = float(kHueYRedGreen) * c + 0.5f;
        const float t = float(kHueX) * s;
        return floatColour(e + t, e - t, 0.5f - float(kHueYBlue) * c);
    }
    case Red:
        return floatColour(clamped, 0.0f, 0.0f);
    case Green:
        return floatColour(0.0f, clamped, 0.0f);
    case Blue:
        return floatColour(0.0f, 0.0f, clamped);
    default:
        return floatColour(clamped, clamped, clamped);
    }
}

EditorColour AbsoluteEditorPresentation::curveColour(int channel) const {
    return validChannel(channel) ? kChannelColours[channel] : kChannelColours[Rgb];
}

EditorColour AbsoluteEditorPresentation::inputAxisColour(int channel, int, double v, double fade) const {
    return absoluteAxisColour(channel, v, fade);
}

EditorColour AbsoluteEditorPresentation::outputAxisColour(int channel, double v, double fade) const {
    return absoluteAxisColour(channel, v, fade);
}

HistogramLayers AbsoluteEditorPresentation::histogramLayers(int channel, int, int histogramMode,
                                                            int curveSetting) const {
    HistogramLayers result;
    const EditorColour h = validChannel(channel) ? kHistogramColours[channel] : kHistogramColours[Rgb];
    if (histogramMode == 1) {
        const EditorColour input = channel == Rgb
                                       ? kRgbInputHistogram
                                       : EditorColour{0.4 * h.r + 0.36, 0.4 * h.g + 0.288, 0.4 * h.b + 0.12};
        result.add({{0, 0, 0}, input, kOneChannelOpacity});
        result.add({{1, 1, 1}, {0.8 * h.r, 0.8 * h.g, 0.8 * h.b}, kOneChannelOpacity});
    } else if (histogramMode == 2 && curveSetting != 1) {
        result.add({{0, 1, 2}, kRgbHistogram, kRgbOpacity});
    }
    return result;
}

void AbsoluteEditorPresentation::resetCurve(Curve& curve, int channel, double neutralSlope) const {
    if (channel != kAbsoluteHue) {
        korvane::resetCurve(curve, neutralSlope);
        return;
    }
    curve.loop = 1;
    korvane::resetCurve(curve, neutralSlope);
    curve.nodes[0].x = 0.5;
    curve.nodes[0].y = 0.5;
    curve.nodes[1].active = 0;
    recomputeHandles(curve, neutralSlope);
}

} // namespace korvane
