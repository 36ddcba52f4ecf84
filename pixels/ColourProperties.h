#pragma once
#include <cstdint>
#include <limits>

namespace korvane {

// Property numbers shared by the "based on" settings, the histograms and colour picking.
enum ColourPropertyIndex : std::int32_t {
    kPropertyBrightness = 0,
    kPropertySaturation = 1,
    kPropertyHue = 2,
    kPropertyRed = 3,
    kPropertyGreen = 4,
    kPropertyBlue = 5,
    kPropertyAlpha = 6,
};

// Hue of a grey colour: the lowest finite double, so that it falls outside every range.
inline constexpr double kNoHue = -std::numeric_limits<double>::max();

// Red, green and blue in any one unit (channel units of a depth, or 0..1). A NaN channel gives a NaN result.

// The plain mean of the three channels, in their unit.
double brightness(double red, double green, double blue);
// Unit-free, at most 1: 0 for grey, 1 for a colour with a channel at 0; negative for some colours with
// negative channels.
double saturation(double red, double green, double blue);
// Unit-free turns in [0, 1] (1 only by rounding, just short of yellow): yellow 0, red 1/6, magenta 1/3,
// blue 1/2, cyan 2/3, green 5/6; kNoHue for grey.
double hue(double red, double green, double blue);
// Property 0 brightness (not scaled), 1 saturation x scale, 2 hue x scale, 3..6 red, green, blue, alpha; any
// other number gives brightness.
double colourProperty(std::int32_t property, double red, double green, double blue, double alpha,
                      double scale);

} // namespace korvane
