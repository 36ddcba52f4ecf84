#include "pixels/ColourProperties.h"

#include "curves/HuePlane.h"

#include <algorithm>
#include <cmath>

namespace korvane {

double brightness(double red, double green, double blue) {
    return (red + green + blue) * 0.3333333333333333;
}

double saturation(double red, double green, double blue) {
    const double mean = (red + green + blue) * 0.3333333333333333;
    double dr = red - mean;
    double dg = green - mean;
    double db = blue - mean;
    const double length = std::sqrt(dr * dr + dg * dg + db * db);
    if (length > 0.0) {
        dr /= length;
        dg /= length;
        db /= length;
    }
    const double lowest = std::min({dr, dg, db});
    double result = length;
    if (mean != 0.0 && lowest < 0.0) {
        // Equal to -length x lowest / mean, but exact: through the unit deviations a colour with a channel at
        // 0 came out as 0.9999999999999999 instead of 1.
        result = (mean - std::min({red, green, blue})) / mean;
    }
    return std::min(result, 1.0);
}

double hue(double red, double green, double blue) {
    const double d = (red + green) * kHueYRedGreen - blue * kHueYBlue;
    const double e = red * kHueX - green * kHueX + blue * 0.0;
    const double length = std::sqrt(e * e + d * d);
    if (length == 0.0) {
        return kNoHue;
    }
    // |d| <= length, but keep acos inside its domain whatever the rounding.
    double h = std::acos(std::clamp(d / length, -1.0, 1.0)) * 0.15915494309189535;
    if (e / length < 0.0) {
        h = 1.0 - h;
    }
    if (h < 0.0) {
        h += 1.0;
    }
    return h;
}

double colourProperty(std::int32_t property, double red, double green, double blue, double alpha,
                      double scale) {
    switch (property) {
    case kPropertySaturation:
        return saturation(red, green, blue) * scale;
    case kPropertyHue:
        return hue(red, green, blue) * scale;
    case kPropertyRed:
        return red;
    case kPropertyGreen:
        return green;
    case kPropertyBlue:
        return blue;
    case kPropertyAlpha:
        return alpha;
    default:
        return brightness(red, green, blue);
    }
}

} // namespace korvane
