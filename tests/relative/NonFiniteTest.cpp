// Values no curve can be asked about: non-finite float sources give no change, and a change that ends
// non-finite at an integer depth is written as 0 rather than converted unchecked.
#include "relative/RelativeProperties.h"
#include "tests/relative/TestImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvane::testing {
namespace {

using namespace relative;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(NonFinite, AFloatSourceThatIsNotANumberGivesNoChange) {
    // Green x (1 + curve(red)) with a curve that is 0.5 everywhere it can be asked.
    RelativeCurveSet set = defaultSet();
    set.curves[kGreen] = constantCurve(0.5);
    set.basedOn[kGreen] = kRed;
    TestImage<PixelFloat> image = rowOf<PixelFloat>(
        {{kNaN, 0.2, 0.3, 1}, {kInfinity, 0.2, 0.3, 1}, {-kInfinity, 0.2, 0.3, 1}, {0.5, 0.2, 0.3, 1}});
    TestImage<PixelFloat> out = rendered(set, image);
    for (std::int32_t x = 0; x < 3; ++x) {
        EXPECT_EQ(out.get(x, 0).green, 0.2f) << x;
    }
    EXPECT_NEAR(out.get(3, 0).green, 0.3, 1e-6);
    EXPECT_TRUE(std::isnan(out.get(0, 0).red));

    // Derived sources of such a pixel are not numbers either.
    set.basedOn[kGreen] = kBrightness;
    EXPECT_EQ(rendered(set, image).get(1, 0).green, 0.2f);
}

TEST(NonFinite, IntegerDepthsWriteANonFiniteChangeAsZero) {
    // A hand-edited curve at 1e300 samples to an infinite table entry: red + inf, and 0 x inf for blue.
    RelativeCurveSet set = defaultSet();
    set.curves[kRed] = constantCurve(1e300);
    set.changeBy[kRed] = 1;
    set.curves[kBlue] = constantCurve(1e300);
    set.changeFactor[kBlue] = 0.0;
    for (const auto& colour : {Rgba{100, 100, 100, 255}, Rgba{3, 200, 9, 17}}) {
        TestImage<Pixel8> image = rowOf<Pixel8>({colour});
        const Rgba out = rendered(set, image).get(0, 0);
        EXPECT_EQ(out.red, 0);
        EXPECT_EQ(out.blue, 0);
        EXPECT_EQ(out.green, colour.green);
        TestImage<Pixel16> deep = rowOf<Pixel16>({colour});
        EXPECT_EQ(rendered(set, deep).get(0, 0).red, 0);
    }
}

TEST(NonFinite, AFactorThatIsNotANumberChangesNothing) {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kRed, 0.5, false, kNaN);
    setConstantChange(set, kGreen, 0.5, true, kInfinity);
    TestImage<Pixel8> image = rowOf<Pixel8>({{10, 20, 30, 255}});
    const Rgba out = rendered(set, image).get(0, 0);
    EXPECT_EQ(out.red, 10);
    EXPECT_EQ(out.green, 20);
}

} // namespace
} // namespace korvane::testing
