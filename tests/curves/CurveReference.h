#pragma once
// A slow, independent evaluation of a curve for checking the real one: knots found by brute force,
// and every Bezier segment solved for x by plain bisection.
#include "curves/Curve.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace korvane::test {

struct RefKnot {
    double x, y;
    double cx1, cy1; // left control point, absolute
    double cx2, cy2; // right control point, absolute
};

inline std::vector<RefKnot> referenceKnots(const Curve& curve, double s) {
    std::vector<RefKnot> knots;
    const bool loop = curve.loop != 0;
    for (int i = 0; i < kCurveSlots; ++i) {
        const CurveNode& n = curve.nodes[i];
        if (!n.active) {
            continue;
        }
        // Nearest other node on each side (looping: the neighbours one period away count too).
        double left = std::numeric_limits<double>::infinity();
        double right = left;
        for (int j = 0; j < kCurveSlots; ++j) {
            const CurveNode& m = curve.nodes[j];
            if (j == i || !m.active) {
                continue;
            }
            std::vector<double> xs{m.x};
            if (loop) {
                xs.push_back(m.x - 1.0);
                xs.push_back(m.x + 1.0);
            }
            for (double x : xs) {
                if (x <= n.x) {
                    left = std::min(left, n.x - x);
                }
                if (x >= n.x) {
                    right = std::min(right, x - n.x);
                }
            }
        }
        const double fl = n.leftDx > left ? left / n.leftDx : 1.0;
        const double fr = n.rightDx > right ? right / n.rightDx : 1.0;
        knots.push_back(
            {n.x, n.y, n.x - n.leftDx * fl, n.y + n.leftDy * fl, n.x + n.rightDx * fr, n.y + n.rightDy * fr});
    }
    std::stable_sort(knots.begin(), knots.end(),
                     [](const RefKnot& a, const RefKnot& b) { return a.x < b.x; });
    if (loop && !knots.empty()) {
        const double p = 1.0001;
        RefKnot after = knots.front();
        RefKnot before = knots.back();
        for (RefKnot* k : {&after, &before}) {
            const double dx = k == &after ? p : -p;
            k->x += dx;
            k->cx1 += dx;
            k->cx2 += dx;
            k->y += dx * s;
            k->cy1 += dx * s;
            k->cy2 += dx * s;
        }
        knots.insert(knots.begin(), before);
        knots.push_back(after);
        std::stable_sort(knots.begin(), knots.end(),
                         [](const RefKnot& a, const RefKnot& b) { return a.x < b.x; });
    }
    return knots;
}

inline double bernstein(double p0, double p1, double p2, double p3, double t) {
    const double m = 1.0 - t;
    return m * m * m * p0 + 3 * m * m * t * p1 + 3 * m * t * t * p2 + t * t * t * p3;
}

// t in [0, 1] with X(t) = x, by bisection.
inline double bisectSegment(const RefKnot& a, const RefKnot& b, double x) {
    double lo = 0.0, hi = 1.0;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (bernstein(a.x, a.cx2, b.cx1, b.x, mid) < x) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return 0.5 * (lo + hi);
}

inline double referenceEvaluate(const Curve& curve, double s, double x) {
    const std::vector<RefKnot> k = referenceKnots(curve, s);
    if (k.empty()) {
        return s * x;
    }
    if (k.size() == 1) {
        return k[0].y + (x - k[0].x) * s;
    }
    if (x <= k.front().x) {
        const RefKnot& f = k.front();
        const double dx = f.cx2 - f.x;
        return f.y + (dx == 0 ? 0.0 : (x - f.x) * (f.cy2 - f.y) / dx);
    }
    if (x > k.back().x) {
        const RefKnot& l = k.back();
        const double dx = l.cx1 - l.x;
        return l.y + (dx == 0 ? 0.0 : (x - l.x) * (l.cy1 - l.y) / dx);
    }
    std::size_t i = 1;
    while (k[i].x < x) {
        ++i;
    }
    const RefKnot& a = k[i - 1];
    const RefKnot& b = k[i];
    const double t = bisectSegment(a, b, x);
    return bernstein(a.y, a.cy2, b.cy1, b.y, t);
}

} // namespace korvane::test
