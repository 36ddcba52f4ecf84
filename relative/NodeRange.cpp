#include "relative/NodeRange.h"

namespace korvane::relative {

namespace {

// The far ends of a ramp without a neighbour: the single-precision 1e11 the view has always used.
constexpr double kFarLeft = -99999997952.0;
constexpr double kFarRight = 99999997952.0;

} // namespace

NodeRange activeNodeRange(const Curve& curve, std::int32_t activeSlot) {
    if (activeSlot < 0 || activeSlot >= kCurveSlots || curve.nodes[std::size_t(activeSlot)].active == 0) {
        return NodeRange{};
    }
    const double node = curve.nodes[std::size_t(activeSlot)].x;
    NodeRange range{kFarLeft, node, kFarRight};
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        const CurveNode& other = curve.nodes[std::size_t(slot)];
        if (slot == activeSlot || other.active == 0) {
            continue;
        }
        if (other.x < node && other.x > range.left) {
            range.left = other.x;
        }
        if (other.x > node && other.x < range.right) {
            range.right = other.x;
        }
    }
    return range;
}

} // namespace korvane::relative
