// Values no curve can be asked about: non-finite float sources give no change, a change that ends
// non-finite at an integer depth is written as 0 rather than converted unchecked, and a float result from
// finite pixels stays finite however large the factor.
#include "relative/RelativeProperties.h"
#include "tests/relative/RelativeRun.h"

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

TEST(NonFinite, AFactorBeyondTheSlidersLimitsRendersAsTheNearerLimit) {
    // Hand-edited text can hold factors of any size; the slider's limits are -9999999 and 9999999.
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kRed, 0.5, false, 1e147);
    setConstantChange(set, kGreen, 0.5, true, -1e147);
    TestImage<PixelFloat> image = rowOf<PixelFloat>({{0.25, 0.2, 0.3, 1}});
    const Rgba out = rendered(set, image).get(0, 0);
    // 0.25 x (1 + 9999999 x 0.5) and 0.2 - 9999999 x 0.5.
    EXPECT_EQ(out.red, 1250000.125);
    EXPECT_FLOAT_EQ(float(out.green), -4999999.3f);
    EXPECT_FLOAT_EQ(float(out.blue), 0.3f);
    TestImage<Pixel8> small = rowOf<Pixel8>({{10, 20, 30, 255}});
    const Rgba clamped = rendered(set, small).get(0, 0);
    EXPECT_EQ(clamped.red, 255);
    EXPECT_EQ(clamped.green, 0);
}

TEST(NonFinite, FloatResultsOfFinitePixelsStayFinite) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    // 1e30 x (1 +- 9999999 x 1e15) lies far beyond the float range: the largest float of its sign.
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kRed, 1e15, false, 9999999.0);
    setConstantChange(set, kBlue, 1e15, false, -9999999.0);
    TestImage<PixelFloat> image = rowOf<PixelFloat>({{1e30, 0.5, 1e30, 1}});
    const Rgba out = rendered(set, image).get(0, 0);
    EXPECT_EQ(out.red, kLargest);
    EXPECT_EQ(out.blue, -kLargest);
    EXPECT_EQ(out.green, 0.5f);

    // Every property at once, at the largest amounts either way, over colours near the float range's ends.
    for (const double factor : {9999999.0, -9999999.0, 1e300}) {
        for (const bool addition : {false, true}) {
            RelativeCurveSet all = defaultSet();
            for (const int k : {kBrightness, kSaturation, kHue, kRed, kGreen, kBlue, kAlpha}) {
                setConstantChange(all, k, 1e15, addition, factor);
            }
            TestImage<PixelFloat> colours = rowOf<PixelFloat>({{3e38, -3e38, 1e-45, 1},
                                                               {1e-45, 2e-45, 0, 0.5},
                                                               {-1e20, 1e20, 1e-30, 1},
                                                               {0.5, 0.25, 0.125, 1}});
            TestImage<PixelFloat> result = rendered(all, colours);
            for (std::int32_t x = 0; x < colours.width; ++x) {
                const Rgba p = result.get(x, 0);
                for (const double v : {p.red, p.green, p.blue, p.alpha}) {
                    EXPECT_TRUE(std::isfinite(v)) << factor << ' ' << addition << ' ' << x;
                }
            }
        }
    }
}

} // namespace
} // namespace korvane::testing
