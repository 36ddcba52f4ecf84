// Each change of the Relative render on pixels whose results are worked out here: channels by multiplication
// and addition, alpha clamped, hue turned (always added), saturation about the luma mean, brightness, the
// order of the changes, amounts read from another property, and greys that have no hue or saturation.
#include "relative/RelativeProperties.h"
#include "tests/relative/RelativeRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace korvane::testing {
namespace {

using relative::kAlpha;
using relative::kBlue;
using relative::kBrightness;
using relative::kGreen;
using relative::kHue;
using relative::kRed;
using relative::kSaturation;

// Rounding differences of the six-decimal hue axes and of single-precision tables.
constexpr double kUnitTolerance = 2e-6;

template <class Pixel>
Rgba renderOne(const RelativeCurveSet& set, const Rgba& colour) {
    TestImage<Pixel> input = rowOf<Pixel>({colour});
    return rendered(set, input).get(0, 0);
}

// The hue change as a rotation about the grey axis: hue grows from yellow through red to blue, which is a
// turn by -2 pi d about (1, 1, 1) / sqrt 3 (Rodrigues' formula; the axis is perpendicular to the chroma).
Rgba turned(const Rgba& c, double turns) {
    const double mean = (c.red + c.green + c.blue) / 3.0;
    const double v[3] = {c.red - mean, c.green - mean, c.blue - mean};
    const double k = 1.0 / std::sqrt(3.0);
    const double cross[3] = {k * (v[2] - v[1]), k * (v[0] - v[2]), k * (v[1] - v[0])};
    const double angle = -2.0 * std::numbers::pi * turns;
    const auto r = [&](int i) { return mean + v[i] * std::cos(angle) + cross[i] * std::sin(angle); };
    return {r(0), r(1), r(2), c.alpha};
}

TEST(Change, DefaultCurvesLeaveEveryPixelExactlyAsItIs) {
    TestImage<Pixel8> image8(5, 3);
    TestImage<Pixel16> image16(5, 3);
    TestImage<PixelFloat> imageFloat(5, 3);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 5; ++x) {
            const double t = double(x * 3 + y) / 14.0;
            image8.set(x, y, {std::floor(255 * t), std::floor(255 * (1 - t)), 17, std::floor(200 * t)});
            image16.set(x, y,
                        {std::floor(32768 * t), 32768, std::floor(99 * t), std::floor(32768 * (1 - t))});
            // Float passes values outside 0..1 through untouched.
            imageFloat.set(x, y, {t * 1.7 - 0.2, -0.25, 1.5, t});
        }
    }
    const auto same = [](auto& a, auto b) {
        for (std::int32_t y = 0; y < a.height; ++y) {
            for (std::int32_t x = 0; x < a.width; ++x) {
                const Rgba p = a.get(x, y);
                const Rgba q = b.get(x, y);
                EXPECT_EQ(p.red, q.red);
                EXPECT_EQ(p.green, q.green);
                EXPECT_EQ(p.blue, q.blue);
                EXPECT_EQ(p.alpha, q.alpha);
            }
        }
    };
    same(image8, rendered(defaultSet(), image8));
    same(image16, rendered(defaultSet(), image16));
    same(imageFloat, rendered(defaultSet(), imageFloat));
}

TEST(Change, ChannelsAreMultipliedOrAddedTo) {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kRed, 0.5, false);
    setConstantChange(set, kGreen, 0.2, true);
    setConstantChange(set, kBlue, -0.5, false, 0.5); // factor 0.5: amount -0.25
    const Rgba out = renderOne<Pixel8>(set, {100, 50, 20, 200});
    EXPECT_EQ(out.red, 150);   // 100 x 1.5
    EXPECT_EQ(out.green, 101); // 50 + 0.2 x 255
    EXPECT_EQ(out.blue, 15);   // 20 x 0.75
    EXPECT_EQ(out.alpha, 200);

    const Rgba f = renderOne<PixelFloat>(set, {0.4, 0.1, 0.8, 1.0});
    EXPECT_NEAR(f.red, 0.6, 1e-7);
    EXPECT_NEAR(f.green, 0.3, 1e-7);
    EXPECT_NEAR(f.blue, 0.6, 1e-7);

    const Rgba deep = renderOne<Pixel16>(set, {20000, 1000, 32768, 32768});
    EXPECT_EQ(deep.red, 30000);
    EXPECT_EQ(deep.green, 1000 + std::floor(0.2f * 32768 + 0.5));
    EXPECT_EQ(deep.blue, 24576);
}

TEST(Change, ColourChannelsAreNotClampedBeforeTheyAreWritten) {
    // Red x 2 overshoots to 1.2 at float and stays there; 8-bit writes 255.
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kRed, 1.0, false);
    EXPECT_NEAR(renderOne<PixelFloat>(set, {0.6, 0.1, 0.1, 1.0}).red, 1.2, 1e-7);
    EXPECT_EQ(renderOne<Pixel8>(set, {160, 10, 10, 255}).red, 255);
}

TEST(Change, AlphaIsClampedRightAfterItsChange) {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kAlpha, 0.5, true);
    // Float stores colours unclamped, but alpha was clamped to 1 by its own change.
    EXPECT_EQ(renderOne<PixelFloat>(set, {0.2, 0.2, 0.2, 0.8}).alpha, 1.0);
    setConstantChange(set, kAlpha, -3.0, false);
    EXPECT_EQ(renderOne<PixelFloat>(set, {0.2, 0.2, 0.2, 0.8}).alpha, 0.0);
    EXPECT_EQ(renderOne<Pixel16>(set, {5, 5, 5, 32768}).alpha, 0);
}

TEST(Change, HueTurnsTheColourAboutGreyAndIsAlwaysAdded) {
    const Rgba colour{0.8, 0.45, 0.1, 1.0};
    for (const int changeBy : {0, 1}) {
        RelativeCurveSet set = defaultSet();
        setConstantChange(set, kHue, 0.1, changeBy == 1);
        const Rgba out = renderOne<PixelFloat>(set, colour);
        const Rgba expected = turned(colour, 0.1);
        EXPECT_NEAR(out.red, expected.red, kUnitTolerance) << changeBy;
        EXPECT_NEAR(out.green, expected.green, kUnitTolerance) << changeBy;
        EXPECT_NEAR(out.blue, expected.blue, kUnitTolerance) << changeBy;
    }
    // A third of a turn takes pure red to pure blue.
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kHue, 1.0 / 3.0, false);
    const Rgba blue = renderOne<Pixel8>(set, {255, 0, 0, 255});
    EXPECT_EQ(blue.red, 0);
    EXPECT_EQ(blue.green, 0);
    EXPECT_EQ(blue.blue, 255);
}

TEST(Change, SaturationScalesTheDeviationFromTheLumaMean) {
    const Rgba c{0.8, 0.4, 0.2, 1.0};
    const double m = 0.2126 * c.red + 0.7152 * c.green + 0.0722 * c.blue;
    const auto scaled = [&](double k) {
        return Rgba{m + (c.red - m) * k, m + (c.green - m) * k, m + (c.blue - m) * k, 1.0};
    };
    const auto expectNear = [](const Rgba& a, const Rgba& b) {
        EXPECT_NEAR(a.red, b.red, 1e-6);
        EXPECT_NEAR(a.green, b.green, 1e-6);
        EXPECT_NEAR(a.blue, b.blue, 1e-6);
    };
    RelativeCurveSet set = defaultSet();
    // Saturation (m - min) / m = 0.575 x 1.5 stays below 1: the deviation grows by 1.5.
    setConstantChange(set, kSaturation, 0.5, false);
    expectNear(renderOne<PixelFloat>(set, c), scaled(1.5));
    // -1 takes the colour to its luma grey.
    setConstantChange(set, kSaturation, -1.0, false);
    expectNear(renderOne<PixelFloat>(set, c), scaled(0.0));
    // Adding 1 clamps the saturation to 1: the lowest channel lands at 0.
    setConstantChange(set, kSaturation, 1.0, true);
    expectNear(renderOne<PixelFloat>(set, c), scaled(m / (m - c.blue)));
}

TEST(Change, GreyPixelsKeepTheirValueUnderHueAndSaturationAtEveryDepth) {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kSaturation, 0.3, true);
    setConstantChange(set, kHue, 0.25, true);
    for (const double grey : {9.0, 18.0, 36.0, 72.0, 144.0, 255.0}) {
        const Rgba out = renderOne<Pixel8>(set, {grey, grey, grey, 255});
        EXPECT_EQ(out.red, grey);
        EXPECT_EQ(out.green, grey);
        EXPECT_EQ(out.blue, grey);
    }
    for (const double grey : {1.0, 1234.0, 16385.0, 32768.0}) {
        const Rgba out = renderOne<Pixel16>(set, {grey, grey, grey, 32768});
        EXPECT_EQ(out.red, grey);
        EXPECT_EQ(out.blue, grey);
    }
    for (const double grey : {0.001, 0.3, 0.5, 0.9999, 2.5}) {
        const Rgba out = renderOne<PixelFloat>(set, {grey, grey, grey, 1.0});
        EXPECT_EQ(out.red, float(grey));
        EXPECT_EQ(out.green, float(grey));
        EXPECT_EQ(out.blue, float(grey));
    }
}

TEST(Change, BrightnessScalesTheColourAndLeavesBlackBlack) {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kBrightness, 0.5, false);
    Rgba out = renderOne<Pixel8>(set, {90, 60, 30, 255});
    EXPECT_EQ(out.red, 135);
    EXPECT_EQ(out.green, 90);
    EXPECT_EQ(out.blue, 45);
    EXPECT_EQ(renderOne<Pixel8>(set, {0, 0, 0, 255}).red, 0);

    // Mean 60 becomes 60 + 0.2 x 255 = 111: every channel x 1.85.
    setConstantChange(set, kBrightness, 0.2, true);
    out = renderOne<Pixel8>(set, {90, 60, 30, 255});
    EXPECT_EQ(out.red, 167);
    EXPECT_EQ(out.green, 111);
    EXPECT_EQ(out.blue, 56);
    for (const auto& black : {Rgba{0, 0, 0, 255}, Rgba{0, 0, 0, 0}}) {
        const Rgba b = renderOne<Pixel8>(set, black);
        EXPECT_EQ(b.red + b.green + b.blue, 0);
    }
    const Rgba f = renderOne<PixelFloat>(set, {0, 0, 0, 1});
    EXPECT_EQ(f.red + f.green + f.blue, 0.0);
}

TEST(Change, ColourChannelsChangeBeforeBrightness) {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kRed, 1.0, false);
    setConstantChange(set, kBrightness, 0.1, true);
    // Red first: (200, 50, 50), mean 100 becomes 125.5. Brightness first would give red 276.5.
    const double ratio = (100.0 + 0.1 * 255.0) / 100.0;
    const Rgba out = renderOne<PixelFloat>(set, {100 / 255.0, 50 / 255.0, 50 / 255.0, 1});
    EXPECT_NEAR(out.red * 255, 200 * ratio, 1e-4);
    EXPECT_NEAR(out.green * 255, 50 * ratio, 1e-4);
}

TEST(Change, TheAmountIsTheCurveAtTheBasedOnProperty) {
    // Red plus the green channel's value through the curve y = x.
    RelativeCurveSet set = defaultSet();
    set.curves[kRed] = curveThrough({{0.0, 0.0}, {1.0, 1.0}});
    set.basedOn[kRed] = kGreen;
    set.changeBy[kRed] = 1;
    EXPECT_NEAR(renderOne<Pixel8>(set, {0, 102, 0, 255}).red, 102, 0.0);
    EXPECT_NEAR(renderOne<PixelFloat>(set, {0, 0.4, 0, 1}).red, 0.4, 1e-4);
    // Based on alpha: the curve at 0.5 for a half-transparent pixel.
    set.basedOn[kRed] = kAlpha;
    EXPECT_NEAR(renderOne<Pixel16>(set, {0, 0, 0, 16384}).red, 16384, 4.0);
}

TEST(Change, SixteenBitValuesAboveWhiteReadTheLastTableEntry) {
    // Green plus the curve at the red value; the curve ends at 0.25 and is 0 below it.
    RelativeCurveSet set = defaultSet();
    set.curves[kGreen] = curveThrough({{0.0, 0.0}, {0.999, 0.0}, {1.0, 0.25}});
    set.basedOn[kGreen] = kRed;
    set.changeBy[kGreen] = 1;
    const Rgba out = renderOne<Pixel16>(set, {40000, 0, 0, 32768});
    EXPECT_EQ(out.green, 8192);
    // Brightness above white too: (65535 + 65535 + 65535) / 3.
    set.basedOn[kGreen] = kBrightness;
    EXPECT_EQ(renderOne<Pixel16>(set, {65535, 65535, 65535, 32768}).green, 32768);
}

TEST(Change, ASaturatedColourReadsTheLastEntryOfASaturationCurve) {
    // Entry 255 is 1, entry 254 is 0: a channel at 0 gives saturation exactly 1, x 255 = 255.
    RelativeCurveSet set = defaultSet();
    set.curves[kRed] = curveThrough({{0.0, 0.0}, {254.5 / 255.0, 0.0}, {1.0, 1.0}});
    set.basedOn[kRed] = kSaturation;
    set.changeBy[kRed] = 1;
    EXPECT_EQ(renderOne<Pixel8>(set, {0, 200, 100, 255}).red, 255);
}

} // namespace
} // namespace korvane::testing
