#include "CurveReference.h"
#include "CurveSamples.h"
#include "curves/KnotList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace korvane {
namespace {

using test::emptyCurve;
using test::place;
using test::referenceEvaluate;

// Agreement of evaluate with the bisection reference.
constexpr double kCurveTolerance = 1e-3;

void expectMatchesReference(const Curve& curve, double s, double from, double to, int steps) {
    const KnotList knots(curve, s);
    for (int i = 0; i <= steps; ++i) {
        const double x = from + (to - from) * i / steps;
        const double got = knots.evaluate(x);
        ASSERT_TRUE(std::isfinite(got)) << "x = " << x;
        EXPECT_NEAR(got, referenceEvaluate(curve, s, x), kCurveTolerance) << "x = " << x;
    }
}

TEST(Evaluate, RandomCurvesMatchBisectionBothSlopes) {
    std::mt19937 rng(20240611);
    for (const double s : {0.0, 1.0}) {
        for (const bool loop : {false, true}) {
            for (int round = 0; round < 60; ++round) {
                const Curve curve = test::randomCurve(rng, s, loop, 2 + round % 9);
                expectMatchesReference(curve, s, -0.25, 1.25, 301);
            }
        }
    }
}

TEST(Evaluate, LinearNodesCloseTogetherFollowTheDrawnCurve) {
    // Two Linear sides 0.03 apart make the cubic term almost vanish.
    for (const double s : {0.0, 1.0}) {
        for (const double start : {0.0, 0.123, 0.4, 0.7}) {
            for (const double gap : {0.03, 0.029999, 0.0301, 0.02, 0.05}) {
                Curve curve = emptyCurve(s);
                place(curve, 0, start, 0.2, HandleMode::Linear, HandleMode::Linear);
                place(curve, 1, start + gap, 0.9, HandleMode::Linear, HandleMode::Linear);
                recomputeHandles(curve, s);
                expectMatchesReference(curve, s, start, start + gap, 400);
            }
        }
    }
}

TEST(Evaluate, LinearSegmentIsAStraightLine) {
    // Linear handles point one third of the way (plus 0.0001) to the neighbour: the segment is close
    // to the straight line between the nodes.
    Curve curve = emptyCurve(0.0);
    place(curve, 0, 0.2, 0.1, HandleMode::Linear, HandleMode::Linear);
    place(curve, 1, 0.8, 0.7, HandleMode::Linear, HandleMode::Linear);
    recomputeHandles(curve, 0.0);
    for (int i = 0; i <= 60; ++i) {
        const double x = 0.2 + 0.01 * i;
        EXPECT_NEAR(evaluate(curve, x, 0.0), x - 0.1, 2e-4);
    }
}

TEST(Evaluate, NoNodeGivesTheNeutralLine) {
    EXPECT_EQ(evaluate(emptyCurve(0.0), 0.37, 0.0), 0.0);
    EXPECT_EQ(evaluate(emptyCurve(1.0), 0.37, 1.0), 0.37);
    EXPECT_EQ(evaluate(emptyCurve(1.0, true), -2.5, 1.0), -2.5);
}

TEST(Evaluate, SingleNodeIsAConstantOrAShiftedDiagonal) {
    Curve relative = emptyCurve(0.0);
    place(relative, 5, 0.3, 0.7);
    recomputeHandles(relative, 0.0);
    Curve absolute = emptyCurve(1.0);
    place(absolute, 5, 0.3, 0.7);
    recomputeHandles(absolute, 1.0);
    for (const double x : {-1.0, 0.0, 0.3, 0.65, 1.0, 3.0}) {
        EXPECT_DOUBLE_EQ(evaluate(relative, x, 0.0), 0.7);
        EXPECT_DOUBLE_EQ(evaluate(absolute, x, 1.0), 0.7 + (x - 0.3));
    }
}

TEST(Evaluate, DefaultCurvesSampleToTheNeutralLine) {
    Curve relative{};
    resetCurve(relative, 0.0);
    for (const float v : sample(relative, 256, 0.0)) {
        EXPECT_EQ(v, 0.0f);
    }
    Curve absolute{};
    resetCurve(absolute, 1.0);
    for (const int n : {256, 32769}) {
        const std::vector<float> table = sample(absolute, n, 1.0);
        ASSERT_EQ(table.size(), std::size_t(n));
        for (int k = 0; k < n; ++k) {
            ASSERT_NEAR(table[k], double(k) / (n - 1), 0.00001) << k;
        }
    }
}

TEST(Evaluate, DefaultAbsoluteHandlesSitJustOffTheDiagonal) {
    Curve absolute{};
    resetCurve(absolute, 1.0);
    const CurveNode& first = absolute.nodes[0];
    EXPECT_NEAR(first.x + first.rightDx, 0.330067, 1e-6);
    EXPECT_NEAR(first.y + first.rightDy, 0.330034, 1e-6);
}

TEST(Evaluate, ExtendsAlongTheEndHandlesBeyondTheEndNodes) {
    Curve curve = emptyCurve(0.0);
    place(curve, 0, 0.2, 0.5, HandleMode::Manual, HandleMode::Manual);
    place(curve, 1, 0.6, 0.1, HandleMode::Manual, HandleMode::Manual);
    curve.nodes[0].rightDx = 0.1;
    curve.nodes[0].rightDy = 0.05; // slope 0.5
    curve.nodes[1].leftDx = 0.1;
    curve.nodes[1].leftDy = 0.2; // control point (0.5, 0.3): slope -2
    EXPECT_DOUBLE_EQ(evaluate(curve, 0.0, 0.0), 0.5 - 0.2 * 0.5);
    EXPECT_DOUBLE_EQ(evaluate(curve, 1.0, 0.0), 0.1 - 0.4 * 2.0);
}

TEST(Evaluate, EndHandleWithoutLengthExtendsFlat) {
    Curve curve = emptyCurve(1.0);
    place(curve, 0, 0.2, 0.5, HandleMode::Manual, HandleMode::Manual);
    place(curve, 1, 0.6, 0.1, HandleMode::Manual, HandleMode::Manual);
    curve.nodes[0].rightDx = 0.0;
    curve.nodes[0].rightDy = 0.3;
    curve.nodes[1].leftDx = 0.0;
    curve.nodes[1].leftDy = -0.3;
    EXPECT_EQ(evaluate(curve, -5.0, 1.0), 0.5);
    EXPECT_EQ(evaluate(curve, 7.0, 1.0), 0.1);
    for (int i = 0; i <= 40; ++i) {
        EXPECT_TRUE(std::isfinite(evaluate(curve, 0.2 + 0.01 * i, 1.0)));
    }
}

TEST(Evaluate, FlatExtensionStaysFiniteForInfiniteInput) {
    Curve relative{};
    resetCurve(relative, 0.0);
    const KnotList knots(relative, 0.0);
    EXPECT_EQ(knots.evaluate(std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_EQ(knots.evaluate(-std::numeric_limits<double>::infinity()), 0.0);
}

TEST(Evaluate, LongHandlesAreShortenedForEvaluationOnly) {
    Curve curve = emptyCurve(0.0);
    place(curve, 0, 0.0, 0.0, HandleMode::Manual, HandleMode::Manual);
    place(curve, 1, 0.5, 1.0, HandleMode::Manual, HandleMode::Manual);
    curve.nodes[0].rightDx = 2.0; // reaches 1.5 past its neighbour at 0.5
    curve.nodes[0].rightDy = 2.0;
    curve.nodes[1].leftDx = 0.1;
    curve.nodes[1].leftDy = 0.0;
    const KnotList knots(curve, 0.0);
    ASSERT_EQ(knots.count(), 2);
    EXPECT_DOUBLE_EQ(knots[0].rightX, 0.5);
    EXPECT_DOUBLE_EQ(knots[0].rightY, 0.5);
    EXPECT_EQ(curve.nodes[0].rightDx, 2.0);
    expectMatchesReference(curve, 0.0, 0.0, 0.5, 100);
}

TEST(Evaluate, LoopingCurveUsesCopiesOnePeriodAway) {
    // One node of the Absolute hue curve: copies at x +- 1.0001, so f(0) and f(1) are close, not equal.
    Curve hue = emptyCurve(1.0, true);
    place(hue, 0, 0.5, 0.5);
    recomputeHandles(hue, 1.0);
    const KnotList knots(hue, 1.0);
    ASSERT_EQ(knots.count(), 3);
    EXPECT_DOUBLE_EQ(knots[0].x, 0.5 - 1.0001);
    EXPECT_DOUBLE_EQ(knots[0].y, 0.5 - 1.0001);
    EXPECT_DOUBLE_EQ(knots[2].x, 0.5 + 1.0001);
    EXPECT_NEAR(knots.evaluate(0.0), 0.0, 1e-3);
    EXPECT_NEAR(knots.evaluate(1.0), 1.0, 1e-3);
    expectMatchesReference(hue, 1.0, 0.0, 1.0, 200);
}

TEST(Evaluate, KnotListKeepsInsertionOrderForEqualX) {
    Curve curve = emptyCurve(0.0);
    place(curve, 3, 0.5, 0.1);
    place(curve, 7, 0.5, 0.2);
    place(curve, 1, 0.2, 0.0);
    const KnotList knots(curve, 0.0);
    ASSERT_EQ(knots.count(), 3);
    EXPECT_EQ(knots[0].slot, 1);
    EXPECT_EQ(knots[1].slot, 3);
    EXPECT_EQ(knots[2].slot, 7);
}

TEST(Evaluate, SampleOfOneEntryIsTheCurveAtZero) {
    Curve absolute{};
    resetCurve(absolute, 1.0);
    const std::vector<float> one = sample(absolute, 1, 1.0);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_NEAR(one[0], 0.0f, 1e-6);
    EXPECT_TRUE(sample(absolute, 0, 1.0).empty());
}

TEST(CubeRoot, StaysCloseToTheTrueCubeRoot) {
    EXPECT_EQ(fastCbrt(0.0f), 0.0f);
    // Beyond about 1e28 the float Halley step overflows; the evaluation then falls back to bisection.
    for (const float x : {1e-30f, 1e-6f, 0.001f, 0.5f, 1.0f, 8.0f, 27.0f, 1e6f, 1e27f}) {
        EXPECT_NEAR(fastCbrt(x), std::cbrt(x), 2e-3 * std::cbrt(x)) << x;
        EXPECT_NEAR(fastCbrt(-x), -std::cbrt(x), 2e-3 * std::cbrt(x)) << x;
    }
}

} // namespace
} // namespace korvane
