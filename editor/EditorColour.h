#pragma once

namespace korvane {

// A colour of the editor's drawing, each component 0..1.
struct EditorColour {
    double r;
    double g;
    double b;
};

constexpr EditorColour greyColour(double value) {
    return EditorColour{value, value, value};
}

// A grey given as a byte value (the panel greys 116, 97, 51).
constexpr EditorColour greyByte(int value) {
    return greyColour(value / 255.0);
}

} // namespace korvane
