#pragma once

namespace korvane {

// Positions of red, green, blue and alpha inside one pixel.
template <int Red, int Green, int Blue, int Alpha>
struct LayoutRGBAPixel {
    static constexpr int kRed = Red;
    static constexpr int kGreen = Green;
    static constexpr int kBlue = Blue;
    static constexpr int kAlpha = Alpha;
};

// The host stores alpha first: alpha, red, green, blue.
using HostLayout = LayoutRGBAPixel<1, 2, 3, 0>;

} // namespace korvane
