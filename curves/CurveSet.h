#pragma once
#include "curves/Curve.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvane {

inline constexpr int kCurveCount = 8;

// Value of the Relative effect's "curve" parameter. Curve k changes property k (brightness,
// saturation, hue, red, green, blue, alpha, post blur).
struct RelativeCurveSet {
    std::array<Curve, kCurveCount> curves;
    // 0..6 a pixel property, 8 + k the output of curve k; 7 is the popup's separator.
    std::array<std::int32_t, kCurveCount> basedOn;
    std::array<std::int32_t, kCurveCount> changeBy; // 0 multiplication, 1 addition
    std::array<double, kCurveCount> changeFactor;
};

// Value of the Absolute effect's "curve" parameter: brightness, saturation, hue, rgb, red, green,
// blue, alpha.
struct AbsoluteCurveSet {
    std::array<Curve, kCurveCount> curves;
};

static_assert(offsetof(RelativeCurveSet, basedOn) == kCurveCount * sizeof(Curve));
static_assert(offsetof(RelativeCurveSet, changeFactor) == kCurveCount * sizeof(Curve) + 64);
static_assert(sizeof(RelativeCurveSet) == kCurveCount * sizeof(Curve) + 128);
static_assert(sizeof(AbsoluteCurveSet) == kCurveCount * sizeof(Curve));

inline constexpr int kRelativePostBlur = 7;
inline constexpr int kAbsoluteHue = 2;

// Default curves; Relative: based on brightness, multiplication, factor 1 (post blur 10).
// Absolute: the hue curve loops with one node at (0.5, 0.5).
void resetCurveSet(RelativeCurveSet& set);
void resetCurveSet(AbsoluteCurveSet& set);

bool curveSetsEqual(const RelativeCurveSet& a, const RelativeCurveSet& b);
bool curveSetsEqual(const AbsoluteCurveSet& a, const AbsoluteCurveSet& b);

// Follow the "based on" links from curve i to the curve whose amount drives it (at most 11 links).
// Always 0..7: an i outside 0..7 gives 0, and a link to no curve (7, negative, above 15) ends the walk.
int resolveCurve(const RelativeCurveSet& set, int i);
// The pixel property (0..6) at the end of the chain; a self-linked curve k gives k, and a chain that
// ends nowhere (separator, out of range, a loop of links) or an i outside 0..7 gives 0 (brightness).
int resolveInput(const RelativeCurveSet& set, int i);

} // namespace korvane
