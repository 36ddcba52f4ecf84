#pragma once
// Curves and curve sets of the Absolute effect for the tests.
#include "curves/Curve.h"
#include "curves/CurveSet.h"
#include "tests/support/CurveThrough.h"

#include <initializer_list>
#include <utility>

namespace korvane::testing {

inline Curve makeCurve(std::initializer_list<std::pair<double, double>> points,
                       HandleMode mode = HandleMode::Smooth, bool loop = false) {
    return curveThroughPoints(points, 1.0, mode, loop);
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
