#include "curves/CurveSet.h"
#include "curves/KnotList.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

RelativeCurveSet relativeDefaults() {
    RelativeCurveSet set{};
    resetCurveSet(set);
    return set;
}

AbsoluteCurveSet absoluteDefaults() {
    AbsoluteCurveSet set{};
    resetCurveSet(set);
    return set;
}

TEST(CurveSetReset, RelativeDefaults) {
    const RelativeCurveSet set = relativeDefaults();
    for (int k = 0; k < kCurveCount; ++k) {
        EXPECT_EQ(set.basedOn[k], 0);
        EXPECT_EQ(set.changeBy[k], 0);
        EXPECT_EQ(set.changeFactor[k], k == 7 ? 10.0 : 1.0);
        EXPECT_EQ(set.curves[k].loop, 0);
        EXPECT_EQ(countActive(set.curves[k]), 2);
        EXPECT_EQ(evaluate(set.curves[k], 0.4, 0.0), 0.0);
    }
}

TEST(CurveSetReset, AbsoluteHueLoopsWithOneNode) {
    const AbsoluteCurveSet set = absoluteDefaults();
    for (int k = 0; k < kCurveCount; ++k) {
        const Curve& curve = set.curves[k];
        if (k == 2) {
            EXPECT_EQ(curve.loop, 1);
            ASSERT_EQ(countActive(curve), 1);
            EXPECT_EQ(curve.nodes[0].x, 0.5);
            EXPECT_EQ(curve.nodes[0].y, 0.5);
        } else {
            EXPECT_EQ(curve.loop, 0);
            EXPECT_EQ(countActive(curve), 2);
            EXPECT_EQ(curve.nodes[1].x, 1.0);
            EXPECT_EQ(curve.nodes[1].y, 1.0);
        }
    }
}

TEST(CurveSetReset, ClearsLoopFlagsLeftInMemory) {
    RelativeCurveSet set{};
    for (Curve& curve : set.curves) {
        curve.loop = 1;
    }
    resetCurveSet(set);
    EXPECT_TRUE(curveSetsEqual(set, relativeDefaults()));
}

TEST(CurveSetsEqual, EveryFieldCounts) {
    const RelativeCurveSet base = relativeDefaults();
    EXPECT_TRUE(curveSetsEqual(base, relativeDefaults()));

    RelativeCurveSet other = base;
    other.basedOn[3] = 2;
    EXPECT_FALSE(curveSetsEqual(base, other));
    other = base;
    other.changeBy[7] = 1;
    EXPECT_FALSE(curveSetsEqual(base, other));
    other = base;
    other.changeFactor[0] = 1.0000001;
    EXPECT_FALSE(curveSetsEqual(base, other));
    other = base;
    other.curves[5].nodes[1].y = 0.25;
    EXPECT_FALSE(curveSetsEqual(base, other));
    other = base;
    other.curves[5].loop = 1;
    EXPECT_FALSE(curveSetsEqual(base, other));

    AbsoluteCurveSet a = absoluteDefaults();
    AbsoluteCurveSet b = a;
    EXPECT_TRUE(curveSetsEqual(a, b));
    b.curves[6].nodes[0].rightDy += 1e-9;
    EXPECT_FALSE(curveSetsEqual(a, b));
}

TEST(CurveSetsEqual, InactiveSlotsDoNotCount) {
    AbsoluteCurveSet a = absoluteDefaults();
    AbsoluteCurveSet b = a;
    b.curves[0].nodes[20].x = 0.7;
    b.curves[0].nodes[20].leftDx = 3.0;
    EXPECT_TRUE(curveSetsEqual(a, b));
}

TEST(ResolveLinks, FollowsTheChainToAProperty) {
    RelativeCurveSet set = relativeDefaults();
    set.basedOn = {4, 8 + 0, 8 + 1, 2, 8 + 3, 5, 6, 1};
    EXPECT_EQ(resolveCurve(set, 2), 0);
    EXPECT_EQ(resolveInput(set, 2), 4);
    EXPECT_EQ(resolveCurve(set, 4), 3);
    EXPECT_EQ(resolveInput(set, 4), 2);
    EXPECT_EQ(resolveCurve(set, 5), 5);
    EXPECT_EQ(resolveInput(set, 5), 5);
}

TEST(ResolveLinks, SelfLinkedCurveIsBasedOnItsOwnProperty) {
    RelativeCurveSet set = relativeDefaults();
    set.basedOn[6] = 8 + 6;
    set.basedOn[1] = 8 + 6;
    EXPECT_EQ(resolveCurve(set, 1), 6);
    EXPECT_EQ(resolveInput(set, 1), 6);
    set.basedOn[7] = 8 + 7;
    EXPECT_EQ(resolveInput(set, 7), 7);
}

TEST(ResolveLinks, LinksToNoCurveStayInsideTheSet) {
    RelativeCurveSet set = relativeDefaults();
    for (const std::int32_t bad : {7, 16, 99, 1 << 30, -1, -8, -2147483647 - 1}) {
        set.basedOn[3] = bad;
        set.basedOn[0] = 8 + 3;
        EXPECT_EQ(resolveCurve(set, 0), 3) << bad;
        EXPECT_EQ(resolveInput(set, 0), 0) << bad;
        EXPECT_EQ(resolveCurve(set, 3), 3) << bad;
        EXPECT_EQ(resolveInput(set, 3), 0) << bad;
    }
}

TEST(ResolveLinks, CycleStopsAfterElevenLinksWithAProperty) {
    RelativeCurveSet set = relativeDefaults();
    set.basedOn[0] = 8 + 1;
    set.basedOn[1] = 8 + 0;
    // Eleven links from curve 0 end on curve 1.
    EXPECT_EQ(resolveCurve(set, 0), 1);
    const int input = resolveInput(set, 0);
    EXPECT_GE(input, 0);
    EXPECT_LE(input, 7);
}

TEST(ResolveLinks, IndexOutsideTheSetGivesZero) {
    const RelativeCurveSet set = relativeDefaults();
    for (const int i : {-1, 8, 1000}) {
        EXPECT_EQ(resolveCurve(set, i), 0);
        EXPECT_EQ(resolveInput(set, i), 0);
    }
}

} // namespace
} // namespace korvane
