#pragma once
// Curves for the tests: hand-placed and seeded random ones.
#include "curves/Curve.h"

#include <random>

namespace korvane::test {

inline Curve emptyCurve(double s, bool loop = false) {
    Curve c{};
    resetCurve(c, s);
    c.nodes[0].active = 0;
    c.nodes[1].active = 0;
    c.loop = loop ? 1 : 0;
    return c;
}

inline CurveNode& place(Curve& c, int slot, double x, double y, HandleMode left = HandleMode::Smooth,
                        HandleMode right = HandleMode::Smooth) {
    CurveNode& n = c.nodes[slot];
    n.x = x;
    n.y = y;
    n.active = 1;
    n.leftMode = left;
    n.rightMode = right;
    return n;
}

// Random nodes around the neutral line with random modes; Manual sides get random handles, some of
// them longer than the distance to the neighbour.
inline Curve randomCurve(std::mt19937& rng, double s, bool loop, int count) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_real_distribution<double> offset(-0.5, 0.5);
    std::uniform_real_distribution<double> length(0.005, 0.5);
    std::uniform_int_distribution<int> mode(0, 2);
    Curve c = emptyCurve(s, loop);
    for (int i = 0; i < count; ++i) {
        const double x = unit(rng);
        CurveNode& n = place(c, i, x, s * x + offset(rng), HandleMode(mode(rng)), HandleMode(mode(rng)));
        n.leftDx = length(rng);
        n.leftDy = offset(rng);
        n.rightDx = length(rng);
        n.rightDy = offset(rng);
    }
    recomputeHandles(c, s);
    return c;
}

} // namespace korvane::test
