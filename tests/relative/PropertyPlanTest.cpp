// Which properties a render changes and which curve each one uses: its own, a linked curve that reads a
// pixel property, or none for a link to a link and for "based on" values that name nothing.
#include "relative/RelativeProperties.h"
#include "tests/relative/RelativeRun.h"

#include <gtest/gtest.h>

namespace korvane::testing {
namespace {

using namespace relative;

TEST(PropertyPlan, UntouchedCurvesChangeNothingEvenWhenTheyLoop) {
    RelativeCurveSet set = defaultSet();
    set.curves[kSaturation].loop = 1; // "based on" hue sets the loop
    recomputeHandles(set.curves[kSaturation], 0.0);
    set.basedOn[kSaturation] = kHue;
    const PropertyPlan plan = planProperties(set);
    for (int k = 0; k < kPropertyCount; ++k) {
        EXPECT_FALSE(plan.active[std::size_t(k)]) << k;
    }
    for (int p = 0; p < kSourceCount; ++p) {
        EXPECT_FALSE(plan.needed[std::size_t(p)]) << p;
    }
}

TEST(PropertyPlan, APropertyUsesItsOwnCurveAtItsBasedOnProperty) {
    RelativeCurveSet set = defaultSet();
    set.curves[kBlue] = constantCurve(0.5);
    set.basedOn[kBlue] = kHue;
    const PropertyPlan plan = planProperties(set);
    EXPECT_TRUE(plan.active[kBlue]);
    EXPECT_EQ(plan.usedCurve[kBlue], kBlue);
    EXPECT_TRUE(plan.needed[kHue]);
    EXPECT_FALSE(plan.needed[kBrightness]);
}

TEST(PropertyPlan, ALinkUsesTheLinkedCurveAndALinkToALinkChangesNothing) {
    RelativeCurveSet set = defaultSet();
    set.curves[kRed] = constantCurve(0.5);
    set.basedOn[kRed] = kGreen;
    set.basedOn[kBrightness] = kFirstCurveLink + kRed;  // "red curve"
    set.basedOn[kBlue] = kFirstCurveLink + kBrightness; // "brightness curve", itself a link
    set.curves[kBlue] = constantCurve(0.25);            // its own curve is not used either
    const PropertyPlan plan = planProperties(set);
    EXPECT_TRUE(plan.active[kBrightness]);
    EXPECT_EQ(plan.usedCurve[kBrightness], kRed);
    // Brightness's amount is read from what the red curve is based on.
    EXPECT_EQ(set.basedOn[std::size_t(plan.usedCurve[kBrightness])], kGreen);
    EXPECT_FALSE(plan.active[kBlue]);
    // A link to a curve at its default changes nothing.
    set.basedOn[kAlpha] = kFirstCurveLink + kHue;
    EXPECT_FALSE(planProperties(set).active[kAlpha]);
}

TEST(PropertyPlan, BasedOnValuesThatNameNothingChangeNothing) {
    for (const std::int32_t basedOn : {-1, -2147483647 - 1, 7, 16, 99, 2147483647}) {
        RelativeCurveSet set = defaultSet();
        for (int k = 0; k < kPropertyCount; ++k) {
            set.curves[std::size_t(k)] = constantCurve(0.5);
            set.basedOn[std::size_t(k)] = basedOn;
        }
        // A link to a curve whose own "based on" names nothing.
        set.basedOn[kRed] = kFirstCurveLink + kGreen;
        const PropertyPlan plan = planProperties(set);
        for (int k = 0; k < kPropertyCount; ++k) {
            EXPECT_FALSE(plan.active[std::size_t(k)]) << basedOn << " " << k;
            EXPECT_GE(plan.usedCurve[std::size_t(k)], 0);
            EXPECT_LT(plan.usedCurve[std::size_t(k)], kPropertyCount);
        }
        // And the render leaves the pixels alone at every depth.
        TestImage<Pixel8> image = rowOf<Pixel8>({{10, 20, 30, 40}});
        EXPECT_EQ(rendered(set, image).get(0, 0).green, 20) << basedOn;
        TestImage<PixelFloat> floats = rowOf<PixelFloat>({{0.1, 0.2, 0.3, 0.4}});
        EXPECT_EQ(rendered(set, floats).get(0, 0).green, 0.2f) << basedOn;
    }
}

TEST(PropertyPlan, TheRenderReadsTheLinkedCurveAtTheLinkedProperty) {
    // Brightness based on "red curve", red based on green through y = x with factor 0: red itself stays,
    // brightness is multiplied by 1 + green.
    RelativeCurveSet set = defaultSet();
    set.curves[kRed] = curveThrough({{0.0, 0.0}, {1.0, 1.0}});
    set.basedOn[kRed] = kGreen;
    set.changeFactor[kRed] = 0.0;
    set.basedOn[kBrightness] = kFirstCurveLink + kRed;
    set.basedOn[kBlue] = kFirstCurveLink + kBrightness;
    TestImage<PixelFloat> image = rowOf<PixelFloat>({{0.2, 0.5, 0.1, 1.0}});
    const Rgba out = rendered(set, image).get(0, 0);
    EXPECT_NEAR(out.red, 0.2 * 1.5, 1e-4);
    EXPECT_NEAR(out.green, 0.5 * 1.5, 1e-4);
    EXPECT_NEAR(out.blue, 0.1 * 1.5, 1e-4);
}

} // namespace
} // namespace korvane::testing
