#pragma once
#include <algorithm>
#include <cmath>

namespace korvane {

// Writing a computed channel value (64-bit float, channel units) back into a pixel. Integer depths add 0.5,
// clamp to [0, max] and truncate; a non-finite value is stored as 0, never converted unchecked. Float
// depths store the value unclamped.
template <class Pixel>
typename Pixel::Value roundToChannel(double value) {
    if constexpr (Pixel::kIsFloat) {
        return static_cast<typename Pixel::Value>(value);
    } else {
        if (!std::isfinite(value)) {
            return 0;
        }
        return static_cast<typename Pixel::Value>(std::clamp(value + 0.5, 0.0, Pixel::kMax));
    }
}

// As roundToChannel, without the 0.5: the stores that truncate (blur's horizontal pass, post-blur composite,
// matte views).
template <class Pixel>
typename Pixel::Value truncateToChannel(double value) {
    if constexpr (Pixel::kIsFloat) {
        return static_cast<typename Pixel::Value>(value);
    } else {
        if (!std::isfinite(value)) {
            return 0;
        }
        return static_cast<typename Pixel::Value>(std::clamp(value, 0.0, Pixel::kMax));
    }
}

} // namespace korvane
