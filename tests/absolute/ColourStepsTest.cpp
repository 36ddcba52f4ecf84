// The colour steps (hue, saturation, brightness) and the two orders, against values worked out here: a
// rotation about the grey axis, the distance of each channel from the mean, the mean's own curve.
#include "curves/CurveEdit.h"
#include "tests/absolute/FilterRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvane::testing {
namespace {

// The hue plane's six-decimal constants and the handle rule's offsets keep results this close to the exact
// rotation or scaling, in units of 0..1.
constexpr double kCurveTolerance = 1e-3;
constexpr double kOneStep = 1.0;

// (r, g, b) turned by `turns` of the hue circle: hue grows from yellow through red to blue, which is a
// rotation by -2 pi turns about the grey axis (Rodrigues' formula).
Rgba rotateHue(const Rgba& c, double turns) {
    const double theta = -2.0 * std::numbers::pi * turns;
    const double n = 1.0 / std::sqrt(3.0);
    const double dot = n * (c.red + c.green + c.blue);
    const double crossR = n * (c.blue - c.green);
    const double crossG = n * (c.red - c.blue);
    const double crossB = n * (c.green - c.red);
    const double cs = std::cos(theta);
    const double sn = std::sin(theta);
    return {c.red * cs + crossR * sn + n * dot * (1.0 - cs),
            c.green * cs + crossG * sn + n * dot * (1.0 - cs),
            c.blue * cs + crossB * sn + n * dot * (1.0 - cs), c.alpha};
}

// A looping hue curve through (0.5, 0.5 + offset) is the line y = x + offset.
FilterSettings hueShift(double offset) {
    FilterSettings settings;
    settings.curves.curves[kChannelHue] = makeCurve({{0.5, 0.5 + offset}}, HandleMode::Smooth, true);
    return settings;
}

void expectNear(const Rgba& got, const Rgba& expected, double tolerance, const char* what) {
    EXPECT_NEAR(got.red, expected.red, tolerance) << what;
    EXPECT_NEAR(got.green, expected.green, tolerance) << what;
    EXPECT_NEAR(got.blue, expected.blue, tolerance) << what;
    EXPECT_EQ(got.alpha, expected.alpha) << what;
}

TEST(HueStep, AQuarterTurnRotatesTheColourAboutTheGreyAxis) {
    // Hues near 0.1, 0.55 and 0.85: the last one wraps past 1.
    const std::vector<Rgba> row{{0.8, 0.3, 0.1, 1.0}, {0.2, 0.5, 0.9, 0.5}, {0.1, 0.8, 0.2, 0.25}};
    const FilterSettings settings = hueShift(0.25);
    TestImage<PixelFloat> input(row);
    const auto out = runFilter(input, settings);
    ASSERT_EQ(out.status, 0);
    for (std::size_t i = 0; i < row.size(); ++i) {
        const Rgba in = input.get(std::int32_t(i), 0);
        expectNear(out.output.get(std::int32_t(i), 0), rotateHue(in, 0.25), kCurveTolerance, "float");
    }
}

TEST(HueStep, SixteenBitsRotateThroughTheHueTable) {
    // h is looked up at floor(h x 32768): the angle is off by at most one entry, 2 pi / 32768.
    constexpr double kTableTolerance = 8.0;
    const Rgba in{26214, 9830, 3277, 32768};
    const Rgba out = filterRow<Pixel16>({in}, hueShift(0.25))[0];
    Rgba expected = rotateHue(in, 0.25);
    // Integer depths store what lies in 0..32768.
    for (double* c : {&expected.red, &expected.green, &expected.blue}) {
        *c = std::clamp(*c, 0.0, 32768.0);
    }
    expectNear(out, expected, kTableTolerance + kCurveTolerance * 32768.0, "16-bit");
}

TEST(HueStep, RedTurnsTowardsBlue) {
    // Red sits at 1/6 and blue at 1/2: a third of a turn takes red to blue.
    const Rgba out = filterRow<PixelFloat>({{1.0, 0.0, 0.0, 1.0}}, hueShift(1.0 / 3.0))[0];
    EXPECT_LT(out.red, 0.01);
    EXPECT_LT(out.green, 0.01);
    EXPECT_GT(out.blue, 0.99);
}

TEST(HueStep, GreyComesOutUnchangedAtEveryDepth) {
    const FilterSettings settings = hueShift(0.3);
    const auto outFloat = filterRow<PixelFloat>({{0.3f, 0.3f, 0.3f, 1.0}, {1.7f, 1.7f, 1.7f, 1.0}}, settings);
    EXPECT_EQ(outFloat[0].red, double(0.3f));
    EXPECT_EQ(outFloat[0].green, double(0.3f));
    EXPECT_EQ(outFloat[0].blue, double(0.3f));
    EXPECT_EQ(outFloat[1].red, double(1.7f));
    const Rgba out16 = filterRow<Pixel16>({{12345, 12345, 12345, 7}}, settings)[0];
    EXPECT_EQ(out16.red, 12345);
    EXPECT_EQ(out16.blue, 12345);
    const Rgba out8 = filterRow<Pixel8>({{255, 255, 255, 255}}, settings)[0];
    EXPECT_EQ(out8.green, 255);
}

TEST(SaturationStep, ACurveAtZeroMakesEveryPixelItsMean) {
    FilterSettings settings;
    settings.curves.curves[kChannelSaturation] = makeCurve({{0.0, 0.0}, {1.0, 0.0}});
    const Rgba out8 = filterRow<Pixel8>({{200, 100, 30, 9}}, settings)[0];
    EXPECT_EQ(out8.red, 110);
    EXPECT_EQ(out8.green, 110);
    EXPECT_EQ(out8.blue, 110);
    EXPECT_EQ(out8.alpha, 9);

    TestImage<PixelFloat> input({{0.8, 0.4, 0.1, 1.0}});
    const Rgba in = input.get(0, 0);
    const double mean = (in.red + in.green + in.blue) / 3.0;
    const Rgba out = runFilter(input, settings).output.get(0, 0);
    expectNear(out, {mean, mean, mean, 1.0}, 1e-7, "float");
}

TEST(SaturationStep, HalvingTheSaturationHalvesEachDistanceFromTheMean) {
    FilterSettings settings;
    settings.curves.curves[kChannelSaturation] = makeCurve({{0.0, 0.0}, {1.0, 0.5}});
    TestImage<PixelFloat> input({{0.8, 0.4, 0.1, 1.0}});
    const Rgba in = input.get(0, 0);
    const double mean = (in.red + in.green + in.blue) / 3.0;
    const Rgba expected{mean + (in.red - mean) / 2, mean + (in.green - mean) / 2, mean + (in.blue - mean) / 2,
                        1.0};
    expectNear(runFilter(input, settings).output.get(0, 0), expected, kCurveTolerance, "float");
}

TEST(SaturationStep, FloatSaturationAboveOneIsCappedAtOne) {
    // Doubling 0.25 asks for 0.5; doubling 0.8 asks for 1.6, which stops at 1: the lowest channel reaches 0.
    FilterSettings settings;
    settings.curves.curves[kChannelSaturation] = makeCurve({{0.0, 0.0}, {1.0, 2.0}});
    const auto out = filterRow<PixelFloat>({{1.0, 0.5, 0.5, 1.0}, {0.5, 0.1, 0.3, 1.0}}, settings);
    expectNear(out[0], {4.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0, 1.0}, kCurveTolerance, "0.25 -> 0.5");
    const double mean = (0.5 + 0.1 + 0.3) / 3.0;
    const double stretch = 1.0 / ((mean - 0.1) / mean);
    expectNear(out[1], {mean + (0.5 - mean) * stretch, 0.0, mean + (0.3 - mean) * stretch, 1.0},
               kCurveTolerance, "0.8 -> 1");
}

TEST(SaturationStep, AChannelAtZeroHasSaturationOneAndReadsTheLastEntry) {
    // The table's last entry is 1 (keep the colour), the one before it about 0.6 (pull towards grey).
    FilterSettings settings;
    settings.curves.curves[kChannelSaturation] =
        makeCurve({{0.0, 0.0}, {0.99, 0.0}, {1.0, 1.0}}, HandleMode::Linear);
    const auto out = filterRow<Pixel8>({{0, 21, 0, 255}, {1, 70, 0, 255}}, settings);
    EXPECT_EQ(out[0].red, 0);
    EXPECT_EQ(out[0].green, 21);
    EXPECT_EQ(out[0].blue, 0);
    EXPECT_EQ(out[1].red, 1);
    EXPECT_EQ(out[1].green, 70);
    EXPECT_EQ(out[1].blue, 0);
}

TEST(BrightnessStep, ALiftedCurveScalesTheColourToTheNewMeanAndKeepsBlackBlack) {
    // y = 0.2 + 0.8 x: mean 60 becomes 51 + 48 = 99, so every channel is multiplied by 99 / 60.
    FilterSettings settings;
    settings.curves.curves[kChannelBrightness] = makeCurve({{0.0, 0.2}, {1.0, 1.0}});
    const auto out = filterRow<Pixel8>({{0, 0, 0, 255}, {30, 60, 90, 255}}, settings);
    EXPECT_EQ(out[0].red, 0);
    EXPECT_EQ(out[0].green, 0);
    EXPECT_EQ(out[0].blue, 0);
    expectNear(out[1], {30 * 1.65, 60 * 1.65, 90 * 1.65, 255}, kOneStep, "8-bit");
}

TEST(BrightnessStep, FloatMeanZeroMultipliesByTheCurveValueAtZero) {
    FilterSettings settings;
    settings.curves.curves[kChannelBrightness] = makeCurve({{0.0, 0.2}, {1.0, 1.0}});
    TestImage<PixelFloat> input({{0.2, -0.1, -0.1, 1.0}, {1.5, 1.5, 3.0, 1.0}});
    const Rgba in = input.get(0, 0);
    const auto out = runFilter(input, settings);
    expectNear(out.output.get(0, 0), {in.red * 0.2, in.green * 0.2, in.blue * 0.2, 1.0}, 1e-7, "mean 0");
    // Mean 2 lies beyond the curve's end: 0.2 + 0.8 x 2 = 1.8, unclamped.
    expectNear(out.output.get(1, 0), {1.5 * 0.9, 1.5 * 0.9, 3.0 * 0.9, 1.0}, kCurveTolerance, "mean 2");
}

TEST(CurveOrder, NormalOrderAppliesRgbBeforeSaturation) {
    // rgb first: (0, 0, 255) stays, and its mean 85 becomes grey. Saturation first would give grey 85
    // through the S-curve, near 60.
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] =
        makeCurve({{0.0, 0.0}, {0.25, 0.1}, {0.75, 0.9}, {1.0, 1.0}}, HandleMode::Linear);
    settings.curves.curves[kChannelSaturation] = makeCurve({{0.0, 0.0}, {1.0, 0.0}});
    const Rgba out = filterRow<Pixel8>({{0, 0, 255, 255}}, settings)[0];
    expectNear(out, {85, 85, 85, 255}, kOneStep, "8-bit");
}

TEST(CurveOrder, InvertAllWithDefaultCurvesTakesEveryChannelAndDarkensNearBlack) {
    FilterSettings settings;
    settings.invert = true;
    TestImage<Pixel8> input({{0, 0, 2, 255}, {0, 1, 1, 128}, {100, 150, 200, 200}});
    const auto out = runFilter(input, settings);
    ASSERT_EQ(out.status, 0);
    // The inverted identities differ from the stored ones (their handles are not symmetric).
    for (bool enabled : out.enabled) {
        EXPECT_TRUE(enabled);
    }
    // A mean below 1 reads brightness entry 0, about 0: black.
    expectNear(out.output.get(0, 0), {0, 0, 0, 255}, 0.0, "mean 2/3");
    expectNear(out.output.get(1, 0), {0, 0, 0, 128}, 0.0, "mean 2/3");
    const Rgba mid = out.output.get(2, 0);
    EXPECT_NEAR(mid.red, 100, 2.0);
    EXPECT_NEAR(mid.green, 150, 2.0);
    EXPECT_NEAR(mid.blue, 200, 2.0);
    EXPECT_NEAR(mid.alpha, 200, 2.0);
}

TEST(CurveOrder, InvertAllAppliesTheInverseCurvesBrightnessFirstAndRoundsBeforeTheChannels) {
    // Stored: brightness x 0.8, rgb x 0.5. Inverted: brightness x 1.25 first, giving (36.25, 75, 113.75),
    // rounded to (36, 75, 114) at 8 bits, then rgb x 2. Without the rounding 113.75 would read entry 113.
    // The other curves are stored as the inverses of their defaults, so that inverting leaves them off.
    FilterSettings settings;
    settings.invert = true;
    for (Curve& curve : settings.curves.curves) {
        invertCurve(curve, 1.0);
    }
    settings.curves.curves[kChannelBrightness] = makeCurve({{0.0, 0.0}, {1.0, 0.8}});
    settings.curves.curves[kChannelRgb] = makeCurve({{0.0, 0.0}, {1.0, 0.5}});
    TestImage<Pixel8> input({{29, 60, 91, 255}});
    const auto out8 = runFilter(input, settings);
    for (std::int32_t i = 0; i < kCurveCount; ++i) {
        EXPECT_EQ(out8.enabled[std::size_t(i)], i == kChannelBrightness || i == kChannelRgb) << i;
    }
    expectNear(out8.output.get(0, 0), {72, 150, 228, 255}, 0.0, "8-bit");

    // Float skips the rounding: 2.5 x each channel.
    const Rgba outFloat = filterRow<PixelFloat>({{0.1, 0.2, 0.3, 1.0}}, settings)[0];
    expectNear(outFloat, {0.25, 0.5, 0.75, 1.0}, kCurveTolerance, "float");
}

} // namespace
} // namespace korvane::testing
