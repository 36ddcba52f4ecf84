#pragma once
#include "curves/CubicSolver.h"
#include "curves/Curve.h"

#include <array>
#include <span>
#include <vector>

namespace korvane {

// Active nodes plus the two wrap copies of a looping curve.
inline constexpr int kMaxKnots = kCurveSlots + 2;

// One entry of the knot list: a node with its handles clamped to its neighbours, as offsets of the
// control points from the knot.
struct Knot {
    double x;
    double y;
    double leftX; // -leftDx after clamping
    double leftY;
    double rightX;
    double rightY;
    int slot; // -1 for the wrap copies of a looping curve
};

// The active nodes of one curve ordered by x, with every Bezier segment prepared for evaluation. Built
// once per curve, then evaluated any number of times without allocating.
class KnotList {
public:
    KnotList() = default;
    KnotList(const Curve& curve, double neutralSlope);

    int count() const { return count_; }
    const Knot& operator[](int k) const { return knots_[k]; }
    double neutralSlope() const { return neutralSlope_; }

    double evaluate(double x) const;

    // The parameter t of segment k (between knots k - 1 and k) where the segment's X(t) equals x.
    double segmentParameter(int k, double x) const;

private:
    struct Segment {
        std::array<double, 4> px; // control point x, P0..P3
        std::array<double, 4> py;
        DepressedCubic cubic;
        bool hasCubic; // false when the cubic term vanishes
    };

    void insert(const Knot& knot);
    void prepareSegment(int k);
    double solveSegment(const Segment& segment, double x) const;

    std::array<Knot, kMaxKnots> knots_{};
    std::array<Segment, kMaxKnots> segments_{}; // segments_[k] joins knots k - 1 and k
    int count_ = 0;
    double neutralSlope_ = 0.0;
};

inline KnotList buildKnots(const Curve& curve, double neutralSlope) {
    return KnotList(curve, neutralSlope);
}

// The curve at x: Bezier segments between the knots, straight extensions along the end handles beyond
// them. Not clamped: the kernels clamp where their channel needs it.
double evaluate(const Curve& curve, double x, double neutralSlope);

// Fills out[k] with the curve at k / (n - 1), n = out.size().
void sample(const KnotList& knots, std::span<float> out);
std::vector<float> sample(const Curve& curve, int n, double neutralSlope);

// Equal knot lists: same length, and equal position and clamped handles entry by entry.
bool curvesEqual(const Curve& a, const Curve& b);

} // namespace korvane
