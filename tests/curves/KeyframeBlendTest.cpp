#include "curves/KeyframeBlend.h"
#include "CurveSamples.h"
#include "curves/CurveEdit.h"
#include "curves/KnotList.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvane {
namespace {

using test::emptyCurve;
using test::place;

Curve oneNodeLoop(double s, double x, double y) {
    Curve c = emptyCurve(s, true);
    place(c, 0, x, y);
    recomputeHandles(c, s);
    return c;
}

TEST(KeyframeBlend, LoopingNodeCrossesTheWrapNotTheMiddle) {
    const Curve a = oneNodeLoop(0.0, 0.95, 0.2);
    const Curve b = oneNodeLoop(0.0, 0.05, 0.6);
    Curve mid{};
    blendCurve(a, b, 0.5, 0.0, mid);
    EXPECT_NEAR(mid.nodes[0].x, 0.0, 1e-12);
    EXPECT_NEAR(mid.nodes[0].y, 0.4, 1e-12);
    Curve quarter{};
    blendCurve(a, b, 0.25, 0.0, quarter);
    EXPECT_NEAR(quarter.nodes[0].x, 0.975, 1e-12);
    Curve late{};
    blendCurve(a, b, 0.75, 0.0, late);
    EXPECT_NEAR(late.nodes[0].x, 0.025, 1e-12);
    // The other order crosses the wrap the same way.
    Curve reverse{};
    blendCurve(b, a, 0.25, 0.0, reverse);
    EXPECT_NEAR(reverse.nodes[0].x, 0.025, 1e-12);
}

TEST(KeyframeBlend, AbsoluteHueNodeStaysOnTheIdentityAcrossTheWrap) {
    // Both keys are the identity hue curve (nodes on y = x); every blend must stay the identity.
    const Curve a = oneNodeLoop(1.0, 0.95, 0.95);
    const Curve b = oneNodeLoop(1.0, 0.05, 0.05);
    for (const double t : {0.1, 0.25, 0.5, 0.75, 0.9}) {
        Curve blended{};
        blendCurve(a, b, t, 1.0, blended);
        EXPECT_NEAR(blended.nodes[0].y, blended.nodes[0].x, 1e-12) << t;
        EXPECT_NEAR(evaluate(blended, 0.3, 1.0), 0.3, 1e-3) << t;
    }
}

TEST(KeyframeBlend, PlainCurvesBlendLinearly) {
    Curve a = emptyCurve(1.0);
    place(a, 0, 0.9, 0.2, HandleMode::Manual, HandleMode::Linear).leftDx = 0.2;
    place(a, 1, 0.1, 0.0);
    Curve b = emptyCurve(1.0);
    place(b, 0, 0.1, 0.6, HandleMode::Manual, HandleMode::Smooth).leftDx = 0.4;
    place(b, 1, 0.2, 0.0).linked = 0;
    Curve r{};
    blendCurve(a, b, 0.25, 1.0, r);
    EXPECT_DOUBLE_EQ(r.nodes[0].x, 0.9 * 0.75 + 0.1 * 0.25);
    EXPECT_DOUBLE_EQ(r.nodes[0].y, 0.2 * 0.75 + 0.6 * 0.25);
    EXPECT_DOUBLE_EQ(r.nodes[0].leftDx, 0.2 * 0.75 + 0.4 * 0.25);
    EXPECT_EQ(r.nodes[0].leftMode, HandleMode::Manual);
    EXPECT_EQ(r.nodes[0].rightMode, HandleMode::Manual); // Linear and Smooth disagree
    EXPECT_EQ(r.nodes[0].linked, 1);
    EXPECT_EQ(r.nodes[1].linked, 0);
    EXPECT_EQ(r.loop, 0);
}

TEST(KeyframeBlend, NodeActiveOnlyWhenActiveInBoth) {
    Curve a = emptyCurve(0.0);
    place(a, 0, 0.1, 0.1);
    place(a, 1, 0.5, 0.1);
    Curve b = emptyCurve(0.0);
    place(b, 0, 0.2, 0.3);
    place(b, 2, 0.7, 0.3);
    Curve r{};
    blendCurve(a, b, 0.5, 0.0, r);
    EXPECT_EQ(countActive(r), 1);
    EXPECT_EQ(r.nodes[0].active, 1);
}

TEST(KeyframeBlend, AutomaticHandlesFollowTheBlendedNodes) {
    Curve a{};
    resetCurve(a, 0.0);
    Curve b = a;
    moveNode(b, 1, 1.0, 1.0, 0.0);
    Curve r{};
    blendCurve(a, b, 0.5, 0.0, r);
    Curve expected{};
    resetCurve(expected, 0.0);
    moveNode(expected, 1, 1.0, 0.5, 0.0);
    EXPECT_TRUE(curvesEqual(r, expected));
}

TEST(KeyframeBlend, WeightOutsideTheUnitIntervalIsClamped) {
    const Curve a = oneNodeLoop(0.0, 0.3, 0.2);
    const Curve b = oneNodeLoop(0.0, 0.4, 0.6);
    Curve r{};
    blendCurve(a, b, std::nan(""), 0.0, r);
    EXPECT_EQ(r.nodes[0].x, 0.3);
    blendCurve(a, b, 7.0, 0.0, r);
    EXPECT_EQ(r.nodes[0].x, 0.4);
}

TEST(KeyframeBlend, RelativeSettingsSwitchHalfway) {
    RelativeCurveSet a{};
    resetCurveSet(a);
    RelativeCurveSet b = a;
    b.basedOn[1] = 2;
    b.changeBy[1] = 1;
    b.changeFactor[1] = 3.0;
    RelativeCurveSet r{};
    interpolateCurveSet(a, b, 0.49, r);
    EXPECT_EQ(r.basedOn[1], 0);
    EXPECT_EQ(r.changeBy[1], 0);
    EXPECT_DOUBLE_EQ(r.changeFactor[1], 1.0 * 0.51 + 3.0 * 0.49);
    interpolateCurveSet(a, b, 0.5, r);
    EXPECT_EQ(r.basedOn[1], 2);
    EXPECT_EQ(r.changeBy[1], 1);
    EXPECT_DOUBLE_EQ(r.changeFactor[1], 2.0);
    EXPECT_EQ(r.changeFactor[7], 10.0);
}

TEST(KeyframeBlend, CurvesAtTheLargestCoordinatesBlendToFiniteNodes) {
    // Nodes and handles at the edge of what a curve may hold, far apart: the handle rule squares
    // their differences and evaluation solves cubics over them.
    const double big = kLargestCoordinate;
    Curve a = emptyCurve(1.0, false);
    place(a, 0, -big, big);
    place(a, 1, 0.5, -big, HandleMode::Manual, HandleMode::Manual);
    place(a, 2, big, big);
    Curve b = emptyCurve(1.0, false);
    place(b, 0, big, -big);
    place(b, 1, -big, big);
    place(b, 2, 0.25, 0.0, HandleMode::Manual, HandleMode::Linear);
    for (Curve* c : {&a, &b}) {
        for (int slot = 0; slot < 3; ++slot) {
            c->nodes[slot].leftDx = big;
            c->nodes[slot].rightDy = -big;
        }
    }
    for (double t : {0.0, 0.3, 0.5, 1.0}) {
        Curve r{};
        blendCurve(a, b, t, 1.0, r);
        for (const CurveNode& node : r.nodes) {
            if (node.active == 0) {
                continue;
            }
            for (double v : {node.x, node.y, node.leftDx, node.leftDy, node.rightDx, node.rightDy}) {
                EXPECT_TRUE(std::isfinite(v)) << "t = " << t;
            }
        }
        const KnotList knots(r, 1.0);
        for (double x : {-2 * big, -1.0, 0.0, 0.4, 1.0, 3e14, 2 * big}) {
            EXPECT_TRUE(std::isfinite(knots.evaluate(x))) << "t = " << t << ", x = " << x;
        }
    }
}

} // namespace
} // namespace korvane
