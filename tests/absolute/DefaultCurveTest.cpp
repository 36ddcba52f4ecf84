// Which curves count as their channel's default: the render skips those.
#include "absolute/DefaultCurve.h"
#include "curves/CurveEdit.h"
#include "curves/CurveText.h"
#include "curves/KnotList.h"
#include "tests/absolute/TestCurves.h"

#include <gtest/gtest.h>

namespace korvane::testing {
namespace {

TEST(DefaultCurve, ADefaultReadBackFromItsTextIsStillTheDefault) {
    const AbsoluteCurveSet defaults = defaultCurves();
    AbsoluteCurveSet stored{};
    readCurveSet(writeCurveSet(defaults), stored);
    for (std::size_t i = 0; i < kCurveCount; ++i) {
        // Its handles were rounded to six digits: not the same bits, the same curve.
        EXPECT_FALSE(curvesEqual(stored.curves[i], defaults.curves[i])) << i;
        EXPECT_TRUE(isDefaultAsStored(stored.curves[i], defaults.curves[i])) << i;
        EXPECT_TRUE(isDefaultAsStored(defaults.curves[i], defaults.curves[i])) << i;
    }
}

TEST(DefaultCurve, EditedAndInvertedCurvesAreNotTheDefault) {
    const AbsoluteCurveSet defaults = defaultCurves();
    Curve moved = defaults.curves[3];
    moved.nodes[1].y = 0.99999;
    recomputeHandles(moved, 1.0);
    EXPECT_FALSE(isDefaultAsStored(moved, defaults.curves[3]));

    // The inverted identity's handles are 0.330034 long in x where the identity's are 0.330067.
    Curve inverted = defaults.curves[3];
    invertCurve(inverted, 1.0);
    EXPECT_FALSE(isDefaultAsStored(inverted, defaults.curves[3]));

    Curve extra = defaults.curves[3];
    extra.nodes[5] = extra.nodes[1];
    extra.nodes[5].x = 0.5;
    extra.nodes[5].y = 0.5;
    EXPECT_FALSE(isDefaultAsStored(extra, defaults.curves[3]));
    // The hue default loops; an identity in its place does not match it.
    EXPECT_FALSE(isDefaultAsStored(defaults.curves[3], defaults.curves[2]));
}

TEST(DefaultCurve, SlotOrderDoesNotMatter) {
    const AbsoluteCurveSet defaults = defaultCurves();
    Curve shuffled = defaults.curves[0];
    std::swap(shuffled.nodes[0], shuffled.nodes[30]);
    EXPECT_TRUE(isDefaultAsStored(shuffled, defaults.curves[0]));
}

} // namespace
} // namespace korvane::testing
