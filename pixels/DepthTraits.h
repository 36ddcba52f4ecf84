#pragma once
#include "pixels/PixelRGB.h"

#include <cstdint>

namespace korvane {

enum class PixelDepth : std::int32_t { Eight = 8, Sixteen = 16, Float = 32 };

// What a render needs to know of one host depth. Only the three host depths exist: any other fails to
// compile.
template <PixelDepth Depth>
struct DepthTraits;

template <>
struct DepthTraits<PixelDepth::Eight> {
    static constexpr PixelDepth kDepth = PixelDepth::Eight;
    using Value = std::uint8_t;
    using Pixel = Pixel8;
    using Accumulation = AccumulationPixel8;
    static constexpr std::int32_t kMaxValue = 255;
    static constexpr double kMax = 255.0;
    static constexpr bool kIsFloat = false;
    static constexpr std::int32_t kTableSize = 256;
};

template <>
struct DepthTraits<PixelDepth::Sixteen> {
    static constexpr PixelDepth kDepth = PixelDepth::Sixteen;
    using Value = std::uint16_t;
    using Pixel = Pixel16;
    using Accumulation = AccumulationPixel16;
    static constexpr std::int32_t kMaxValue = 32768;
    static constexpr double kMax = 32768.0;
    static constexpr bool kIsFloat = false;
    // One entry per channel value 0..32768.
    static constexpr std::int32_t kTableSize = 32769;
};

template <>
struct DepthTraits<PixelDepth::Float> {
    static constexpr PixelDepth kDepth = PixelDepth::Float;
    using Value = float;
    using Pixel = PixelFloat;
    using Accumulation = AccumulationPixelFloat;
    static constexpr std::int32_t kMaxValue = 1;
    static constexpr double kMax = 1.0;
    static constexpr bool kIsFloat = true;
    // Float evaluates the curves per pixel: no tables.
    static constexpr std::int32_t kTableSize = 0;
};

} // namespace korvane
