#pragma once
// Curves for the tests, built node by node: the curve's own handle rule shapes them, so a curve of Linear
// nodes is the polyline through its points to within the rule's 0.0001 offsets, and Smooth nodes on equal
// y make it exactly flat.
#include "curves/Curve.h"

#include <initializer_list>
#include <utility>

namespace korvane::testing {

// Every node's sides in `mode`; `neutral` is the effect's neutral slope (1 for the Absolute effect's
// input-to-output curves, 0 for the Relative effect's change curves), `loop` a curve that wraps (hue).
inline Curve curveThroughPoints(std::initializer_list<std::pair<double, double>> points, double neutral,
                                HandleMode mode, bool loop = false) {
    Curve curve{};
    resetCurve(curve, neutral);
    for (CurveNode& node : curve.nodes) {
        node.active = 0;
    }
    curve.loop = loop ? 1 : 0;
    int slot = 0;
    for (const auto& [x, y] : points) {
        CurveNode& node = curve.nodes[std::size_t(slot++)];
        node.x = x;
        node.y = y;
        node.active = 1;
        node.leftMode = mode;
        node.rightMode = mode;
    }
    recomputeHandles(curve, neutral);
    return curve;
}

} // namespace korvane::testing
