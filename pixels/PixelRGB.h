#pragma once
#include "pixels/PixelLayout.h"

#include <cstdint>
#include <type_traits>

namespace korvane {

// One pixel: channels in the order of Layout. An accumulation pixel (post blur) carries a fifth float,
// the weight w, after w x alpha and the three w x alpha x colour / max channels. Clang 14 has no
// floating-point template arguments, so the channel maximum travels as an integer.
template <class Layout, class ValueType, bool HasAlpha, bool IsAccumulation, std::int32_t MaxValue>
struct PixelRGB {
    static_assert(HasAlpha, "every pixel of the system carries alpha");
    static_assert(!IsAccumulation || std::is_same_v<ValueType, float>, "accumulation pixels are floats");

    using LayoutType = Layout;
    using Value = ValueType;

    static constexpr bool kHasAlpha = HasAlpha;
    static constexpr bool kIsAccumulation = IsAccumulation;
    static constexpr bool kIsFloat = std::is_floating_point_v<ValueType>;
    static constexpr std::int32_t kMaxValue = MaxValue;
    static constexpr double kMax = MaxValue;
    static constexpr int kChannelCount = IsAccumulation ? 5 : 4;
    // Bits per channel of the host format (8, 16, 32); 0 for accumulation pixels, which no host hands over.
    static constexpr std::int32_t kHostDepth = IsAccumulation ? 0 : std::int32_t(sizeof(ValueType) * 8);

    static constexpr int kRed = Layout::kRed;
    static constexpr int kGreen = Layout::kGreen;
    static constexpr int kBlue = Layout::kBlue;
    static constexpr int kAlpha = Layout::kAlpha;
    static constexpr int kWeight = 4;

    Value channel[kChannelCount];

    Value& red() { return channel[kRed]; }
    Value& green() { return channel[kGreen]; }
    Value& blue() { return channel[kBlue]; }
    Value& alpha() { return channel[kAlpha]; }
    Value red() const { return channel[kRed]; }
    Value green() const { return channel[kGreen]; }
    Value blue() const { return channel[kBlue]; }
    Value alpha() const { return channel[kAlpha]; }
    Value& weight() requires IsAccumulation { return channel[kWeight]; }
    Value weight() const requires IsAccumulation { return channel[kWeight]; }
};

// Host formats. 16-bit white is 32768, not 65535.
using Pixel8 = PixelRGB<HostLayout, std::uint8_t, true, false, 255>;
using Pixel16 = PixelRGB<HostLayout, std::uint16_t, true, false, 32768>;
using PixelFloat = PixelRGB<HostLayout, float, true, false, 1>;

// The post blur's accumulation pixel, one type per maximum of the depth being rendered.
template <std::int32_t MaxValue>
using AccumulationPixel = PixelRGB<HostLayout, float, true, true, MaxValue>;
using AccumulationPixel8 = AccumulationPixel<255>;
using AccumulationPixel16 = AccumulationPixel<32768>;
using AccumulationPixelFloat = AccumulationPixel<1>;

static_assert(sizeof(Pixel8) == 4 && sizeof(Pixel16) == 8 && sizeof(PixelFloat) == 16);
static_assert(sizeof(AccumulationPixel8) == 20);
static_assert(std::is_trivially_copyable_v<Pixel16> && std::is_standard_layout_v<Pixel16>);

} // namespace korvane
