#pragma once
// The hue plane across the grey axis: a colour's chroma direction is x = (red - green) / sqrt(2) and
// y = (red + green) / sqrt(6) - 2 blue / sqrt(6). The axes keep the six decimals that every hue
// computation here (the properties, both effects' hue steps, the axis colours of the editors) has always
// used: results depend on them.

namespace korvane {

inline constexpr double kHueX = 0.707107;         // 1 / sqrt(2)
inline constexpr double kHueYRedGreen = 0.408248; // 1 / sqrt(6)
inline constexpr double kHueYBlue = 0.816496;     // 2 / sqrt(6)

} // namespace korvane
