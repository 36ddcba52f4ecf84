#pragma once
// Curves for the tests, built node by node: the automatic handle rule shapes them, so a curve of Linear
// nodes is a polyline to within the rule's 0.0001 offsets.
#include "curves/Curve.h"
#include "curves/CurveSet.h"

#include <initializer_list>
#include <utility>

namespace korvane::testing {

inline Curve makeCurve(std::initializer_list<std::pair<double, double>> points,
                       HandleMode mode = HandleMode::Smooth, bool loop = false) {
    Curve curve{};
    resetCurve(curve, 1.0);
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
    recomputeHandles(curve, 1.0);
    return curve;
}

inline AbsoluteCurveSet defaultCurves() {
    AbsoluteCurveSet set{};
    resetCurveSet(set);
    return set;
}

// The polyline through the points at x (the points ordered by x, x inside their range).
inline double polyline(std::initializer_list<std::pair<double, double>> points, double x) {
    const std::pair<double, double>* previous = nullptr;
    for (const auto& point : points) {
        if (previous != nullptr && x <= point.first) {
            const double t = (x - previous->first) / (point.first - previous->first);
            return previous->second + t * (point.second - previous->second);
        }
        previous = &point;
    }
    return previous != nullptr ? previous->second : x;
}

} // namespace korvane::testing
