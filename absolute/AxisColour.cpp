#include "absolute/AxisColour.h"

#include "absolute/AbsoluteChannels.h"
#include "curves/HuePlane.h"

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

// The hue plane's axes in single precision.
constexpr float kHueRed = float(kHueX);
constexpr float kHueGreenMagenta = float(kHueYRedGreen);
constexpr float kHueBlue = float(kHueYBlue);
constexpr float kTwoPi = 6.28318530717958647692f;

float unitClamp(float v) {
    // A NaN value shows as black rather than as whatever the conversion makes of it.
    return v > 0.0f ? std::min(v, 1.0f) : 0.0f;
}

} // namespace

AxisColour greyAxisColour(float v) {
    const float c = unitClamp(v);
    return {c, c, c};
}

AxisColour redAxisColour(float v) {
    return {unitClamp(v), 0.0f, 0.0f};
}

AxisColour greenAxisColour(float v) {
    return {0.0f, unitClamp(v), 0.0f};
}

AxisColour blueAxisColour(float v) {
    return {0.0f, 0.0f, unitClamp(v)};
}

AxisColour hueAxisColour(float v, float fade) {
    const float angle = kTwoPi * v;
    const float radius = (1.0f - fade) * 0.5f * kHueBlue;
    const float c = radius * std::cos(angle);
    const float s = radius * std::sin(angle);
    const float e = kHueGreenMagenta * c + 0.5f;
    const float t = kHueRed * s;
    return {e + t, e - t, 0.5f - kHueBlue * c};
}

AxisColour channelAxisColour(std::int32_t channel, float v, float fade) {
    switch (channel) {
    case kChannelHue:
        return hueAxisColour(v, fade);
    case kChannelRed:
        return redAxisColour(v);
    case kChannelGreen:
        return greenAxisColour(v);
    case kChannelBlue:
        return blueAxisColour(v);
    default:
        return greyAxisColour(v);
    }
}

} // namespace korvane
