#include "relative/RelativeEditorPresentation.h"

#include <algorithm>

namespace korvane {

namespace {

// The readout is faded a quarter of the way to grey, as the input bar looks a little below its top.
constexpr double kReadoutFade = 0.25;

A_u_char colourByte(double component) {
    const double scaled = component * 255.0;
    // NaN reads as black rather than as whatever the conversion makes of it.
    return scaled > 0.0 ? A_u_char(std::min(scaled, 255.0)) : A_u_char(0);
}

} // namespace

PF_Pixel nodeInputColour(int inputProperty, double x) {
    const EditorColour colour = propertyAxisColour(inputProperty, x, kReadoutFade);
    return PF_Pixel{255, colourByte(colour.r), colourByte(colour.g), colourByte(colour.b)};
}

} // namespace korvane
