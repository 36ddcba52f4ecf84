#include "CurveSamples.h"
#include "curves/Curve.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

using test::emptyCurve;
using test::place;

constexpr double kHandTolerance = 1e-12;

// Nodes (0, 0), (0.5, 0.25), (1, 1) stored in scrambled slots; the last node's left side Linear, and a
// Manual right side on the middle node is never touched.
//
// Middle node, Smooth left, chord from (0, 0) to (1, 1):
//   u = 1 + 0.0001 = 1.0001, dy = 1, v = sqrt(1 + 1.0001^2) = 1.414284...
//   a = 0.5 * 0.33 + 0.0001 = 0.1651, b = -0.25 * 0.33 = -0.0825, Ll = sqrt(a^2 + b^2) = 0.184565...
//   leftDx = Ll u / v = 0.130513727737121, leftDy = -Ll dy / v = -0.130500677669354
// First node (predecessor itself), Smooth right, chord to (0.5, 0.25):
//   u = 0.5001, dy = 0.25, c = 0.1651, d = 0.0825, Lr = 0.184565...
//   rightDx = Lr u / v = 0.165086606461878, rightDy = Lr dy / v = 0.0825267978713647; left mirrors it.
// Last node, Linear left: a = 0.1651, b = (0.25 - 1) * 0.33 = -0.2475; right mirrors it.
TEST(HandleRule, ThreeNodesByHand) {
    Curve curve = emptyCurve(0.0);
    place(curve, 9, 1.0, 1.0, HandleMode::Linear, HandleMode::Smooth);
    CurveNode& middle = place(curve, 4, 0.5, 0.25, HandleMode::Smooth, HandleMode::Manual);
    middle.rightDx = 0.07;
    middle.rightDy = -0.02;
    place(curve, 2, 0.0, 0.0);
    recomputeHandles(curve, 0.0);

    const CurveNode& first = curve.nodes[2];
    EXPECT_NEAR(first.rightDx, 0.165086606461878, kHandTolerance);
    EXPECT_NEAR(first.rightDy, 0.0825267978713647, kHandTolerance);
    EXPECT_NEAR(first.leftDx, 0.165086606461878, kHandTolerance);
    EXPECT_NEAR(first.leftDy, -0.0825267978713647, kHandTolerance);

    EXPECT_NEAR(middle.leftDx, 0.130513727737121, kHandTolerance);
    EXPECT_NEAR(middle.leftDy, -0.130500677669354, kHandTolerance);
    EXPECT_EQ(middle.rightDx, 0.07);
    EXPECT_EQ(middle.rightDy, -0.02);

    const CurveNode& last = curve.nodes[9];
    EXPECT_NEAR(last.leftDx, 0.1651, kHandTolerance);
    EXPECT_NEAR(last.leftDy, -0.2475, kHandTolerance);
    EXPECT_NEAR(last.rightDx, 0.1651, kHandTolerance);
    EXPECT_NEAR(last.rightDy, 0.2475, kHandTolerance);
}

// Same middle node with a Smooth right side: c = 0.1651, d = 0.75 * 0.33 = 0.2475,
// Lr = sqrt(c^2 + d^2) = 0.297512..., rightDx = Lr u / v = 0.210384304290302,
// rightDy = Lr dy / v = 0.210363267963506.
TEST(HandleRule, SmoothSidesShareTheChordDirection) {
    Curve curve = emptyCurve(1.0);
    place(curve, 0, 0.0, 0.0);
    CurveNode& middle = place(curve, 1, 0.5, 0.25);
    place(curve, 2, 1.0, 1.0);
    recomputeHandles(curve, 1.0);
    EXPECT_NEAR(middle.rightDx, 0.210384304290302, kHandTolerance);
    EXPECT_NEAR(middle.rightDy, 0.210363267963506, kHandTolerance);
    EXPECT_NEAR(middle.leftDy / middle.leftDx, -middle.rightDy / middle.rightDx, kHandTolerance);
}

// A single looping node (0.5, 0.5) with slope 1 sees copies at (-0.5, -0.5) and (1.5, 1.5):
//   u = 2.0001, dy = 2, v = sqrt(4 + 2.0001^2); a = c = 0.3301, b = -0.33, d = 0.33,
//   L = sqrt(0.3301^2 + 0.33^2); leftDx = rightDx = L u / v = 0.330058254727986,
//   leftDy = -L dy / v = -0.330041752640353, rightDy = 0.330041752640353. No end mirroring.
TEST(HandleRule, LoopingNodeSeesItsWrappedNeighbours) {
    Curve curve = emptyCurve(1.0, true);
    CurveNode& node = place(curve, 17, 0.5, 0.5);
    recomputeHandles(curve, 1.0);
    EXPECT_NEAR(node.leftDx, 0.330058254727986, kHandTolerance);
    EXPECT_NEAR(node.leftDy, -0.330041752640353, kHandTolerance);
    EXPECT_NEAR(node.rightDx, 0.330058254727986, kHandTolerance);
    EXPECT_NEAR(node.rightDy, 0.330041752640353, kHandTolerance);
}

TEST(HandleRule, SingleNodeOfAPlainCurveGetsMinimalFlatHandles) {
    Curve curve = emptyCurve(0.0);
    CurveNode& node = place(curve, 0, 0.3, 0.7);
    recomputeHandles(curve, 0.0);
    EXPECT_NEAR(node.leftDx, 0.0001, kHandTolerance);
    EXPECT_EQ(node.leftDy, 0.0);
    EXPECT_NEAR(node.rightDx, 0.0001, kHandTolerance);
    EXPECT_EQ(node.rightDy, 0.0);
}

TEST(HandleRule, InactiveSlotsAreNeitherChangedNorNeighbours) {
    Curve curve = emptyCurve(0.0);
    place(curve, 0, 0.0, 0.0);
    place(curve, 1, 1.0, 0.0);
    CurveNode& stale = place(curve, 2, 0.5, 5.0);
    stale.active = 0;
    stale.leftDx = 50.0;
    recomputeHandles(curve, 0.0);
    EXPECT_EQ(stale.leftDx, 50.0);
    // Chord of the first node runs to (1, 0), not to the stale (0.5, 5): c = 0.3301, flat.
    EXPECT_NEAR(curve.nodes[0].rightDx, 0.3301, kHandTolerance);
    EXPECT_EQ(curve.nodes[0].rightDy, 0.0);
}

} // namespace
} // namespace korvane
