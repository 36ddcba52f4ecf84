// NaN and infinite values: float pixels go through the curves' arithmetic without leaving a table or the
// knot list; at integer depths a value that is no longer finite is written as 0; a float result of finite
// pixels stays finite.
#include "tests/absolute/FilterRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvane::testing {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Every curve away from its default: all eight steps run.
AbsoluteCurveSet everyCurveActive() {
    AbsoluteCurveSet set = defaultCurves();
    for (std::size_t i = 0; i < kCurveCount; ++i) {
        set.curves[i] = makeCurve({{0.0, 0.0}, {0.5, 0.6}, {1.0, 1.0}});
    }
    set.curves[kChannelHue] = makeCurve({{0.5, 0.6}}, HandleMode::Smooth, true);
    return set;
}

TEST(NonFinite, FloatNaNAndInfinityPassThroughBothOrders) {
    for (const bool invert : {false, true}) {
        FilterSettings settings;
        settings.curves = everyCurveActive();
        settings.invert = invert;
        settings.threads = 2;
        const auto out = filterRow<PixelFloat>(
            {{kNaN, 0.5, 0.5, kNaN}, {kInf, 0.2, 0.1, kInf}, {-kInf, 0.3, 0.3, 1.0}, {0.4, 0.2, 0.1, 1.0}},
            settings);
        // A NaN channel spreads to the colour through the colour steps; alpha has only its own curve.
        EXPECT_TRUE(std::isnan(out[0].red)) << invert;
        EXPECT_TRUE(std::isnan(out[0].alpha)) << invert;
        EXPECT_FALSE(std::isfinite(out[1].alpha)) << invert;
        // The finite neighbour is untouched by its neighbours' values.
        EXPECT_TRUE(std::isfinite(out[3].red) && std::isfinite(out[3].green) && std::isfinite(out[3].blue));
    }
}

TEST(NonFinite, ANonFiniteResultAtIntegerDepthsIsWrittenAsZero) {
    // A hue curve far beyond float range samples to infinity: the rotation angle is infinite and the colour
    // NaN, which is stored as 0; alpha keeps its value.
    FilterSettings settings;
    settings.curves.curves[kChannelHue] = makeCurve({{0.5, 1e300}}, HandleMode::Smooth, true);
    const Rgba out8 = filterRow<Pixel8>({{200, 100, 30, 77}}, settings)[0];
    EXPECT_EQ(out8.red, 0);
    EXPECT_EQ(out8.green, 0);
    EXPECT_EQ(out8.blue, 0);
    EXPECT_EQ(out8.alpha, 77);
    const Rgba out16 = filterRow<Pixel16>({{20000, 100, 3000, 32768}}, settings)[0];
    EXPECT_EQ(out16.red, 0);
    EXPECT_EQ(out16.blue, 0);
    EXPECT_EQ(out16.alpha, 32768);
}

TEST(NonFinite, FloatResultsOfFinitePixelsStayFinite) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    // Red rises to 1e15 at 1 and goes on in a straight line: 1e30 lands near 1e45, beyond the float range.
    FilterSettings settings;
    settings.curves.curves[kChannelRed] = makeCurve({{0.0, 0.0}, {1.0, 1e15}});
    settings.curves.curves[kChannelBlue] = makeCurve({{0.0, 0.0}, {1.0, -1e15}});
    const Rgba out = filterRow<PixelFloat>({{1e30, 0.5, 1e30, 1.0}}, settings)[0];
    EXPECT_EQ(out.red, kLargest);
    EXPECT_EQ(out.blue, -kLargest);
    EXPECT_EQ(out.green, 0.5);

    // Every curve steep, in both orders, over colours near the float range's ends.
    for (const bool invert : {false, true}) {
        FilterSettings steep;
        for (std::size_t i = 0; i < kCurveCount; ++i) {
            steep.curves.curves[i] = makeCurve({{0.0, 1e15}, {1.0, -1e15}});
        }
        steep.invert = invert;
        const auto row = filterRow<PixelFloat>(
            {{3e38, -3e38, 1e-45, 1.0}, {1e-45, 2e-45, 0.0, 0.5}, {-1e20, 1e20, 1e-30, 1.0}, {0.5, 0.25, 0.125, 1.0}},
            steep);
        for (std::size_t x = 0; x < row.size(); ++x) {
            for (const double v : {row[x].red, row[x].green, row[x].blue, row[x].alpha}) {
                EXPECT_TRUE(std::isfinite(v)) << invert << ' ' << x;
            }
        }
    }
}

} // namespace
} // namespace korvane::testing
