#pragma once
#include <cstdint>

namespace korvane {

// The Absolute effect's channels: the curves of its curve set and the items of the "channel" popup (popup
// value = channel + 1).
enum AbsoluteChannel : std::int32_t {
    kChannelBrightness = 0,
    kChannelSaturation = 1,
    kChannelHue = 2,
    kChannelRgb = 3,
    kChannelRed = 4,
    kChannelGreen = 5,
    kChannelBlue = 6,
    kChannelAlpha = 7,
};

inline constexpr std::int32_t kAbsoluteChannelCount = 8;

} // namespace korvane
