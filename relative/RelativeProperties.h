#pragma once
#include "curves/CurveSet.h"

#include <array>
#include <cstdint>

namespace korvane::relative {

// Property numbers of the Relative effect: the curve indices of its curve set and the "change" popup.
enum Property : std::int32_t {
    kBrightness = 0,
    kSaturation = 1,
    kHue = 2,
    kRed = 3,
    kGreen = 4,
    kBlue = 5,
    kAlpha = 6,
    kPostBlur = 7,
};

inline constexpr int kPropertyCount = 8;
// Properties 0..6 can be read from a pixel; post blur is no source.
inline constexpr int kSourceCount = 7;
inline constexpr std::int32_t kFirstCurveLink = 8;
inline constexpr std::int32_t kAddition = 1;
// The "change factor" slider accepts -9999999..9999999. A hand-edited factor beyond that renders as the
// nearer end, which keeps factor x curve value x channel value far inside the double range.
inline constexpr double kLargestChangeFactor = 9999999.0;

// "based on" values that name a pixel property.
constexpr bool isSourceProperty(std::int32_t basedOn) {
    return basedOn >= 0 && basedOn < kSourceCount;
}

// "based on" values that link to the output of another curve (8 + curve).
constexpr bool isCurveLink(std::int32_t basedOn) {
    return basedOn >= kFirstCurveLink && basedOn < kFirstCurveLink + kPropertyCount;
}

// How each property is changed for one render: whether it is changed at all and the curve whose amount it
// uses. A property based on a pixel property uses its own curve; one linked to a curve that is based on a
// pixel property uses that curve; any other "based on" (a link to a link, the separator 7, or a stored value
// outside 0..15) leaves the property unchanged. A curve that is neutral (no change anywhere) changes
// nothing either.
struct PropertyPlan {
    std::array<bool, kPropertyCount> active{};
    std::array<std::int32_t, kPropertyCount> usedCurve{};
    // Pixel properties some active property reads.
    std::array<bool, kSourceCount> needed{};
};

PropertyPlan planProperties(const RelativeCurveSet& set);

} // namespace korvane::relative
