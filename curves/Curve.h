#pragma once
#include "curves/CurveNode.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvane {

inline constexpr int kCurveSlots = 40;

// One curve: a fixed array of node slots. Slot order carries no meaning; evaluation sorts the active
// nodes by x. `loop` makes the input wrap around with period 1 (hue).
struct Curve {
    std::uint8_t loop;
    std::array<CurveNode, kCurveSlots> nodes;
};

static_assert(sizeof(Curve) == 8 + kCurveSlots * sizeof(CurveNode));
static_assert(offsetof(Curve, nodes) == 8);

// The neutral slope s of an effect: its identity curve is y = s * x (0 Relative, 1 Absolute).

// All slots fresh, then the two default nodes (0, 0) and (1, s). `loop` keeps its value.
void resetCurve(Curve& curve, double neutralSlope);

// Applies the automatic handle rule to the Linear and Smooth sides of every active node.
void recomputeHandles(Curve& curve, double neutralSlope);

int countActive(const Curve& curve);

} // namespace korvane
