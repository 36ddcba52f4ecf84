#pragma once
#include "curves/CubicSolver.h"
#include "curves/Curve.h"

#include <array>
#include <cstddef>
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

// The segments of a knot list as the vector evaluation reads them: one array per coefficient, indexed by the
// segment number k (between knots k - 1 and k), so that lanes in different segments gather their own.
struct SegmentLanes {
    std::array<double, kMaxKnots> px0; // control point x, P0..P3
    std::array<double, kMaxKnots> px1;
    std::array<double, kMaxKnots> px2;
    std::array<double, kMaxKnots> px3;
    std::array<double, kMaxKnots> py0;
    std::array<double, kMaxKnots> py1;
    std::array<double, kMaxKnots> py2;
    std::array<double, kMaxKnots> py3;
    // DepressedCubic of the segment; a0 is px0.
    std::array<double, kMaxKnots> a3;
    std::array<double, kMaxKnots> p;
    std::array<double, kMaxKnots> qCubic;
    std::array<double, kMaxKnots> qLinear;
    std::array<double, kMaxKnots> shift;
    std::array<double, kMaxKnots> pCubed;
    // 1 where the segment has a cubic term; 0 where only bisection finds its parameter.
    std::array<double, kMaxKnots> cubic;
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

    // out[i] = evaluate(in[i]) for i < n, several values at a time on the processor's vector unit (the
    // widest the processor has, chosen at run time). in and out may be the same array. The result equals
    // evaluate's wherever the segment's cubic has one real root or none is needed (extensions, closed
    // forms, bisection); where it has three, the inverse cosine and the cosines come from a vector library
    // and may differ from the scalar ones in the last bits, which moves the result by far less than 1e-6
    // of max(1, |y|) (KnotBatch.cpp).
    void evaluateMany(const double* in, double* out, std::size_t n) const;
    // The segments as evaluateMany reads them; meaningful for k in 1..count() - 1.
    const SegmentLanes& segmentLanes() const { return lanes_; }
    // Slopes of the straight extensions before the first knot and after the last one (two knots or more).
    double startSlope() const { return startSlope_; }
    double endSlope() const { return endSlope_; }
    // False when the knots cannot be searched by comparison alone (an x that is not a number): evaluateMany
    // then evaluates one value at a time.
    bool lanesUsable() const { return lanesUsable_; }

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
    SegmentLanes lanes_{};
    bool lanesUsable_ = false;
    double startSlope_ = 0.0;
    double endSlope_ = 0.0;
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
