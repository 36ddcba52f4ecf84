#pragma once
#include <cstdint>

namespace korvane {

// A colour of a channel's axis, each component nominally 0..1, in single precision as the editor and the
// colour readout of the node controls use it.
struct AxisColour {
    float red;
    float green;
    float blue;
};

// v clamped to [0, 1] in the grey, red, green or blue of the axis.
AxisColour greyAxisColour(float v);
AxisColour redAxisColour(float v);
AxisColour greenAxisColour(float v);
AxisColour blueAxisColour(float v);

// The hue circle of the render's hue step around mid grey: v in turns (0 yellowish, 1/6 red); the fade f
// (0..1) shrinks the circle towards grey, f = 1 giving mid grey itself.
AxisColour hueAxisColour(float v, float fade);

// The axis colour of an Absolute channel (0 brightness .. 7 alpha): hue for the hue channel, red, green and
// blue for theirs, grey for brightness, saturation, rgb, alpha and any other number. The fade matters only
// for hue.
AxisColour channelAxisColour(std::int32_t channel, float v, float fade);

} // namespace korvane
