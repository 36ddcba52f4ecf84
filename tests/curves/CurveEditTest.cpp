#include "curves/CurveEdit.h"
#include "CurveReference.h"
#include "CurveSamples.h"
#include "curves/KnotList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace korvane {
namespace {

using test::emptyCurve;
using test::place;
using test::referenceEvaluate;

constexpr double kHandTolerance = 1e-12;
constexpr double kNudge = 0.0010000000474974513;

Curve defaultCurve(double s) {
    Curve c{};
    resetCurve(c, s);
    return c;
}

TEST(MoveNode, StoresThePositionAndReportsChange) {
    Curve curve = defaultCurve(1.0);
    EXPECT_TRUE(moveNode(curve, 1, 0.8, 0.6, 1.0));
    EXPECT_EQ(curve.nodes[1].x, 0.8);
    EXPECT_EQ(curve.nodes[1].y, 0.6);
    EXPECT_FALSE(moveNode(curve, 1, 0.8, 0.6, 1.0));
}

TEST(MoveNode, RecomputesHandlesOfTheNeighbours) {
    Curve curve = defaultCurve(0.0);
    moveNode(curve, 1, 0.5, 0.0, 0.0);
    // First node's chord now runs to x = 0.5: c = 0.5 * 0.33 + 0.0001 = 0.1651.
    EXPECT_NEAR(curve.nodes[0].rightDx, 0.1651, kHandTolerance);
}

TEST(MoveNode, NodeDroppedOnAnotherIsNudgedRight) {
    Curve curve = defaultCurve(0.0);
    place(curve, 2, 0.5, 0.1);
    place(curve, 3, 0.5 + kNudge, 0.1);
    moveNode(curve, 0, 0.5, 0.3, 0.0);
    EXPECT_EQ(curve.nodes[0].x, 0.5 + kNudge + kNudge);
    EXPECT_EQ(curve.nodes[0].y, 0.3);
}

TEST(MoveNode, NudgeStillSeparatesNodesFarFromZero) {
    Curve curve = defaultCurve(0.0);
    curve.nodes[1].x = kLargestCoordinate;
    moveNode(curve, 0, kLargestCoordinate, 0.0, 0.0);
    EXPECT_GT(curve.nodes[0].x, kLargestCoordinate);
}

TEST(MoveNode, LoopingCurveWrapsAndKeepsTheOffsetFromTheNeutralLine) {
    Curve absolute = emptyCurve(1.0, true);
    place(absolute, 0, 0.5, 0.5);
    moveNode(absolute, 0, 1.25, 1.4, 1.0);
    EXPECT_DOUBLE_EQ(absolute.nodes[0].x, 0.25);
    EXPECT_DOUBLE_EQ(absolute.nodes[0].y, 0.4);

    Curve relative = emptyCurve(0.0, true);
    place(relative, 0, 0.5, 0.5);
    moveNode(relative, 0, -0.25, 0.3, 0.0);
    EXPECT_DOUBLE_EQ(relative.nodes[0].x, 0.75);
    EXPECT_DOUBLE_EQ(relative.nodes[0].y, 0.3);
    moveNode(relative, 0, 1.0, 0.3, 0.0);
    EXPECT_EQ(relative.nodes[0].x, 1.0);
}

TEST(MoveNode, RefusesSlotsOutsideTheCurveAndNonFiniteTargets) {
    Curve curve = defaultCurve(1.0);
    const Curve before = curve;
    EXPECT_FALSE(moveNode(curve, -1, 0.5, 0.5, 1.0));
    EXPECT_FALSE(moveNode(curve, 40, 0.5, 0.5, 1.0));
    EXPECT_FALSE(moveNode(curve, 0, std::nan(""), 0.5, 1.0));
    EXPECT_FALSE(moveNode(curve, 0, 0.5, std::numeric_limits<double>::infinity(), 1.0));
    EXPECT_FALSE(moveNode(curve, 0, 2e15, 0.5, 1.0));
    EXPECT_FALSE(moveNode(curve, 0, 0.5, -2e15, 1.0));
    EXPECT_EQ(addNode(curve, 1e16, false, 1.0), -1);
    EXPECT_TRUE(curvesEqual(curve, before));
    EXPECT_EQ(curve.nodes[0].x, 0.0);
}

TEST(AddNode, NewNodeGetsRuleHandlesNotTheFreshSlotOnes) {
    Curve curve = defaultCurve(0.0);
    const int slot = addNode(curve, 0.5, false, 0.0);
    ASSERT_EQ(slot, 2);
    const CurveNode& node = curve.nodes[slot];
    EXPECT_EQ(node.active, 1);
    EXPECT_EQ(node.linked, 1);
    EXPECT_EQ(node.leftMode, HandleMode::Smooth);
    // Chord from (0, 0) to (1, 0): u = v = 1.0001, a = c = 0.5 * 0.33 + 0.0001 = 0.1651, flat.
    EXPECT_NEAR(node.leftDx, 0.1651, kHandTolerance);
    EXPECT_NEAR(node.rightDx, 0.1651, kHandTolerance);
    EXPECT_EQ(node.leftDy, 0.0);
    // The neighbours now see the new node: their inner handles reach a third of the way to 0.5.
    EXPECT_NEAR(curve.nodes[0].rightDx, 0.1651, kHandTolerance);
    EXPECT_NEAR(curve.nodes[1].leftDx, 0.1651, kHandTolerance);
}

TEST(AddNode, OnNeutralPlacesTheNodeOnTheNeutralLine) {
    Curve curve = defaultCurve(1.0);
    moveNode(curve, 1, 1.0, 0.2, 1.0);
    const int slot = addNode(curve, 0.6, true, 1.0);
    ASSERT_GE(slot, 0);
    EXPECT_EQ(curve.nodes[slot].x, 0.6);
    EXPECT_EQ(curve.nodes[slot].y, 0.6);
}

TEST(AddNode, SplitKeepsTheDrawnCurve) {
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        const double s = round % 2 == 0 ? 0.0 : 1.0;
        Curve curve = emptyCurve(s);
        // Manual sides are never re-shaped by the handle rule, so the split must preserve the curve.
        place(curve, 0, 0.1, 0.2, HandleMode::Manual, HandleMode::Manual);
        place(curve, 1, 0.5, 0.9, HandleMode::Manual, HandleMode::Manual);
        place(curve, 2, 0.9, 0.3, HandleMode::Manual, HandleMode::Manual);
        std::uniform_real_distribution<double> len(0.02, 0.35);
        std::uniform_real_distribution<double> dy(-0.4, 0.4);
        for (int i = 0; i < 3; ++i) {
            curve.nodes[i].leftDx = len(rng);
            curve.nodes[i].leftDy = dy(rng);
            curve.nodes[i].rightDx = len(rng);
            curve.nodes[i].rightDy = dy(rng);
        }
        const Curve before = curve;
        std::uniform_real_distribution<double> where(0.12, 0.88);
        const double x = where(rng);
        const int slot = addNode(curve, x, false, s);
        ASSERT_EQ(slot, 3);
        EXPECT_EQ(curve.nodes[slot].leftMode, HandleMode::Manual);
        EXPECT_EQ(curve.nodes[slot].rightMode, HandleMode::Manual);
        EXPECT_NEAR(curve.nodes[slot].y, referenceEvaluate(before, s, x), 1e-3);
        for (int i = 0; i <= 100; ++i) {
            const double at = 0.1 + 0.008 * i;
            EXPECT_NEAR(referenceEvaluate(curve, s, at), referenceEvaluate(before, s, at), 2e-3) << at;
        }
    }
}

TEST(AddNode, BetweenLinearSidesTheNodeIsLinear) {
    Curve curve = emptyCurve(1.0);
    place(curve, 0, 0.0, 0.0, HandleMode::Smooth, HandleMode::Linear);
    place(curve, 1, 1.0, 0.5, HandleMode::Linear, HandleMode::Smooth);
    recomputeHandles(curve, 1.0);
    const int slot = addNode(curve, 0.5, false, 1.0);
    EXPECT_EQ(curve.nodes[slot].leftMode, HandleMode::Linear);
    EXPECT_EQ(curve.nodes[slot].rightMode, HandleMode::Linear);
    EXPECT_EQ(curve.nodes[0].rightMode, HandleMode::Linear);
    // Linear: a third of the way back to (0, 0): a = 0.5 * 0.33 + 0.0001, b = (0 - y) * 0.33.
    const CurveNode& node = curve.nodes[slot];
    EXPECT_NEAR(node.leftDx, 0.1651, kHandTolerance);
    EXPECT_NEAR(node.leftDy, -node.y * 0.33, kHandTolerance);
}

TEST(AddNode, FullCurveAddsNothing) {
    Curve curve = emptyCurve(0.0);
    for (int i = 0; i < kCurveSlots; ++i) {
        place(curve, i, i / 40.0, 0.0);
    }
    EXPECT_EQ(addNode(curve, 0.51, false, 0.0), -1);
    EXPECT_EQ(countActive(curve), 40);
}

TEST(AddNode, LoopingCurveWrapsTheNewNode) {
    Curve hue = emptyCurve(1.0, true);
    place(hue, 0, 0.5, 0.5);
    recomputeHandles(hue, 1.0);
    const int slot = addNode(hue, 1.25, true, 1.0);
    ASSERT_GE(slot, 0);
    EXPECT_DOUBLE_EQ(hue.nodes[slot].x, 0.25);
    EXPECT_DOUBLE_EQ(hue.nodes[slot].y, 0.25);
}

// Every field of every slot: the node record as stored, inactive slots included.
void expectSameNodes(const Curve& actual, const Curve& expected) {
    for (int slot = 0; slot < kCurveSlots; ++slot) {
        SCOPED_TRACE(slot);
        const CurveNode& a = actual.nodes[slot];
        const CurveNode& e = expected.nodes[slot];
        EXPECT_EQ(a.active, e.active);
        if (e.active == 0) {
            continue;
        }
        EXPECT_EQ(a.x, e.x);
        EXPECT_EQ(a.y, e.y);
        EXPECT_EQ(a.leftDx, e.leftDx);
        EXPECT_EQ(a.leftDy, e.leftDy);
        EXPECT_EQ(a.rightDx, e.rightDx);
        EXPECT_EQ(a.rightDy, e.rightDy);
        EXPECT_EQ(a.leftMode, e.leftMode);
        EXPECT_EQ(a.rightMode, e.rightMode);
    }
}

TEST(DeleteNode, ClearsOnlyTheSlotAskedFor) {
    Curve curve = defaultCurve(1.0);
    addNode(curve, 0.5, true, 1.0);
    EXPECT_EQ(countActive(curve), 3);
    deleteNode(curve, 2, 1.0);
    deleteNode(curve, 40, 1.0);
    deleteNode(curve, -3, 1.0);
    EXPECT_EQ(countActive(curve), 2);
    EXPECT_EQ(curve.nodes[2].active, 0);
}

// A node added and pulled off the line, then deleted: the end nodes get back the handles they had
// before, to the last bit, in both effects.
TEST(DeleteNode, AnAddedNodeLeavesNoTraceInTheHandles) {
    for (const double s : {0.0, 1.0}) {
        SCOPED_TRACE(s);
        const Curve before = defaultCurve(s);
        Curve curve = before;
        const int slot = addNode(curve, 0.5, false, s);
        ASSERT_GE(slot, 0);
        moveNode(curve, slot, 0.5, 0.75, s);
        ASSERT_NE(curve.nodes[0].rightDy, before.nodes[0].rightDy);
        deleteNode(curve, slot, s);
        expectSameNodes(curve, before);
        EXPECT_TRUE(curvesEqual(curve, before));
        for (const double x : {0.1, 0.3, 0.5, 0.77}) {
            EXPECT_EQ(referenceEvaluate(curve, s, x), referenceEvaluate(before, s, x));
        }
    }
}

// Nodes (0.1, 0.2) Linear, (0.4, 0.9), (0.8, 0.3) Smooth. Without the middle node the rule gives:
//   first node, Linear right, towards (0.8, 0.3): c = 0.7 * 0.33 + 0.0001 = 0.2311, d = 0.1 * 0.33 = 0.033;
//     the left side mirrors it: (0.2311, -0.033).
//   last node, Smooth left, chord from (0.1, 0.2): u = 0.7001, dy = 0.1, v = sqrt(0.01 + 0.7001^2);
//     a = 0.2311, b = -0.033, Ll = sqrt(a^2 + b^2) = 0.233444233169; leftDx = Ll u / v = 0.231098660565,
//     leftDy = -Ll dy / v = -0.0330093787410; the right side mirrors it.
TEST(DeleteNode, TheNodesLeftFollowTheRuleByHand) {
    Curve curve = emptyCurve(1.0);
    place(curve, 0, 0.1, 0.2, HandleMode::Linear, HandleMode::Linear);
    place(curve, 1, 0.4, 0.9);
    place(curve, 2, 0.8, 0.3);
    recomputeHandles(curve, 1.0);
    deleteNode(curve, 1, 1.0);

    const CurveNode& first = curve.nodes[0];
    EXPECT_NEAR(first.rightDx, 0.2311, kHandTolerance);
    EXPECT_NEAR(first.rightDy, 0.033, kHandTolerance);
    EXPECT_NEAR(first.leftDx, 0.2311, kHandTolerance);
    EXPECT_NEAR(first.leftDy, -0.033, kHandTolerance);
    const CurveNode& last = curve.nodes[2];
    EXPECT_NEAR(last.leftDx, 0.231098660565431, kHandTolerance);
    EXPECT_NEAR(last.leftDy, -0.0330093787409557, kHandTolerance);
    EXPECT_NEAR(last.rightDx, 0.231098660565431, kHandTolerance);
    EXPECT_NEAR(last.rightDy, 0.0330093787409557, kHandTolerance);
}

TEST(DeleteNode, ManualSidesKeepTheirHandles) {
    Curve curve = emptyCurve(0.0);
    CurveNode& first = place(curve, 0, 0.0, 0.1, HandleMode::Smooth, HandleMode::Manual);
    place(curve, 1, 0.5, 0.6);
    place(curve, 2, 1.0, 0.0);
    first.rightDx = 0.07;
    first.rightDy = -0.25;
    recomputeHandles(curve, 0.0);
    const double lastLeftDx = curve.nodes[2].leftDx;
    deleteNode(curve, 1, 0.0);
    EXPECT_EQ(first.rightDx, 0.07);
    EXPECT_EQ(first.rightDy, -0.25);
    // The Smooth side of the last node now looks at the first node: c = 1.0 * 0.33 + 0.0001.
    EXPECT_NE(curve.nodes[2].leftDx, lastLeftDx);
    EXPECT_NEAR(std::hypot(curve.nodes[2].leftDx, curve.nodes[2].leftDy), std::hypot(0.3301, 0.033),
                kHandTolerance);
}

TEST(InvertCurve, RelativeTwiceRestoresEverything) {
    std::mt19937 rng(3);
    const Curve original = test::randomCurve(rng, 0.0, false, 6);
    Curve curve = original;
    invertCurve(curve, 0.0);
    for (int i = 0; i < kCurveSlots; ++i) {
        if (original.nodes[i].active) {
            EXPECT_EQ(curve.nodes[i].y, -original.nodes[i].y);
        }
    }
    EXPECT_NEAR(evaluate(curve, 0.37, 0.0), -evaluate(original, 0.37, 0.0), 1e-12);
    invertCurve(curve, 0.0);
    for (int i = 0; i < kCurveSlots; ++i) {
        const CurveNode& a = curve.nodes[i];
        const CurveNode& b = original.nodes[i];
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.leftDx, b.leftDx);
        EXPECT_EQ(a.leftDy, b.leftDy);
        EXPECT_EQ(a.rightDx, b.rightDx);
        EXPECT_EQ(a.rightDy, b.rightDy);
    }
}

TEST(InvertCurve, AbsoluteGivesTheInverseFunction) {
    Curve curve = emptyCurve(1.0);
    place(curve, 0, 0.0, 0.1);
    place(curve, 1, 0.4, 0.7);
    place(curve, 2, 1.0, 0.95);
    recomputeHandles(curve, 1.0);
    Curve inverse = curve;
    invertCurve(inverse, 1.0);
    for (int i = 1; i < 20; ++i) {
        const double x = i / 20.0;
        EXPECT_NEAR(referenceEvaluate(inverse, 1.0, referenceEvaluate(curve, 1.0, x)), x, 1e-9) << x;
    }
    invertCurve(inverse, 1.0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(inverse.nodes[i].x, curve.nodes[i].x);
        EXPECT_EQ(inverse.nodes[i].y, curve.nodes[i].y);
    }
}

TEST(InvertCurve, WrongWayHandlesGetTheMinimalLength) {
    Curve curve = emptyCurve(1.0);
    CurveNode& node = place(curve, 0, 0.2, 0.6, HandleMode::Manual, HandleMode::Manual);
    node.leftDx = 0.1;
    node.leftDy = 0.05; // after the exchange this would point right
    node.rightDx = 0.1;
    node.rightDy = -0.05;
    invertCurve(curve, 1.0);
    EXPECT_EQ(node.x, 0.6);
    EXPECT_EQ(node.y, 0.2);
    EXPECT_EQ(node.leftDx, 0.001);
    EXPECT_EQ(node.leftDy, -0.1);
    EXPECT_EQ(node.rightDx, 0.001);
    EXPECT_EQ(node.rightDy, 0.1);
}

} // namespace
} // namespace korvane
