#include "pixels/ColourProperties.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace korvane {
namespace {

// The saturation as first written: through the unit deviations, -L x (min deviation / mean).
double saturationThroughDeviations(double r, double g, double b) {
    const double m = (r + g + b) / 3.0;
    const double dr = r - m;
    const double dg = g - m;
    const double db = b - m;
    const double length = std::sqrt(dr * dr + dg * dg + db * db);
    const double lowest = std::min({dr, dg, db}) / (length > 0.0 ? length : 1.0);
    const double s = (m != 0.0 && lowest < 0.0) ? -length * (lowest / m) : length;
    return std::min(s, 1.0);
}

TEST(Brightness, IsThePlainMean) {
    EXPECT_EQ(brightness(0.0, 0.0, 0.0), 0.0);
    EXPECT_NEAR(brightness(255.0, 0.0, 0.0), 85.0, 1e-12);
    EXPECT_NEAR(brightness(0.3, 0.6, 0.9), 0.6, 1e-12);
    EXPECT_NEAR(brightness(-1.0, 0.5, 2.0), 0.5, 1e-12);
}

TEST(Saturation, ValuesOfTheDefinition) {
    EXPECT_EQ(saturation(1.0, 0.0, 0.0), 1.0);
    EXPECT_NEAR(saturation(1.0, 0.5, 0.5), 0.25, 1e-12);
    EXPECT_NEAR(saturation(0.2, 0.1, 0.1), 0.25, 1e-12);
    EXPECT_NEAR(saturation(200.0, 100.0, 100.0), 0.25, 1e-12); // independent of the unit
    for (const double grey : {0.0, 0.5, 1.0, 255.0, 32768.0, -0.5}) {
        EXPECT_EQ(saturation(grey, grey, grey), 0.0) << grey;
    }
}

TEST(Saturation, ExactlyOneForEveryEightBitColourWithAZeroChannel) {
    // Through the unit deviations 13,438 of these came out as 0.9999999999999999.
    int notOne = 0;
    int checked = 0;
    for (int r = 0; r <= 255; ++r) {
        for (int g = 0; g <= 255; ++g) {
            for (int b = 0; b <= 255; ++b) {
                if (std::min({r, g, b}) != 0 || r + g + b == 0) {
                    continue;
                }
                ++checked;
                notOne += saturation(r, g, b) != 1.0;
            }
        }
    }
    EXPECT_EQ(checked, 3 * 255 * 255 + 3 * 255);
    EXPECT_EQ(notOne, 0);
}

TEST(Saturation, ExactlyOneWithAZeroChannelAtSixteenBitsAndFloat) {
    for (int a = 1; a <= 32768; a += 97) {
        for (int b = 0; b <= 32768; b += 89) {
            ASSERT_EQ(saturation(0.0, a, b), 1.0) << a << ", " << b;
            ASSERT_EQ(saturation(b, 0.0, a), 1.0) << a << ", " << b;
            ASSERT_EQ(saturation(a / 32768.0, b / 32768.0, 0.0), 1.0) << a << ", " << b;
        }
    }
}

TEST(Saturation, AgreesWithTheDeviationFormulaElsewhere) {
    std::mt19937 rng(52);
    std::uniform_real_distribution<double> channel(-2.0, 3.0);
    for (int i = 0; i < 100000; ++i) {
        const double r = channel(rng);
        const double g = channel(rng);
        const double b = channel(rng);
        const double want = saturationThroughDeviations(r, g, b);
        const double got = saturation(r, g, b);
        // The two forms differ by rounding only; far from the mean's zero both are well conditioned.
        if (std::abs(r + g + b) > 1e-3) {
            ASSERT_NEAR(got, want, 1e-9 * std::max(1.0, std::abs(want))) << r << ", " << g << ", " << b;
        }
        ASSERT_LE(got, 1.0);
    }
}

TEST(Saturation, NegativeChannels) {
    // Mean exactly 0: the deviation length itself.
    EXPECT_NEAR(saturation(0.25, -0.25, 0.0), std::sqrt(0.125), 1e-15);
    EXPECT_EQ(saturation(1.0, -1.0, 0.0), 1.0); // length sqrt(2), capped
    // Negative mean: (m - min) / m with m = -2/3, min = -1.
    EXPECT_NEAR(saturation(-1.0, -0.5, -0.5), -0.5, 1e-12);
    // A channel below 0 with a positive mean is more than fully saturated: capped at 1.
    EXPECT_EQ(saturation(1.0, 0.5, -0.2), 1.0);
}

TEST(Hue, OrientationOfTheCircle) {
    EXPECT_EQ(hue(1.0, 1.0, 0.0), 0.0);                // yellow
    EXPECT_NEAR(hue(1.0, 0.5, 0.0), 1.0 / 12.0, 1e-4); // orange
    EXPECT_NEAR(hue(1.0, 0.0, 0.0), 1.0 / 6.0, 1e-4);  // red
    EXPECT_NEAR(hue(1.0, 0.0, 1.0), 1.0 / 3.0, 1e-4);  // magenta
    EXPECT_NEAR(hue(0.0, 0.0, 1.0), 0.5, 1e-12);       // blue
    EXPECT_NEAR(hue(0.0, 1.0, 1.0), 2.0 / 3.0, 1e-4);  // cyan
    EXPECT_NEAR(hue(0.0, 1.0, 0.0), 5.0 / 6.0, 1e-4);  // green
    EXPECT_NEAR(hue(255.0, 0.0, 0.0), hue(1.0, 0.0, 0.0), 1e-12);
}

TEST(Hue, GreyHasNoHue) {
    for (const double grey : {0.0, 0.25, 1.0, 255.0, 32768.0, -3.0}) {
        EXPECT_EQ(hue(grey, grey, grey), kNoHue) << grey;
    }
    EXPECT_EQ(kNoHue, -1.7976931348623157e308);
}

TEST(Hue, StaysOnTheCircleForAnyColour) {
    std::mt19937 rng(53);
    std::uniform_real_distribution<double> channel(-1.0, 2.0);
    for (int i = 0; i < 100000; ++i) {
        const double h = hue(channel(rng), channel(rng), channel(rng));
        ASSERT_GE(h, 0.0);
        ASSERT_LE(h, 1.0);
    }
}

TEST(ColourProperty, ChoosesAndScales) {
    const double r = 200.0;
    const double g = 100.0;
    const double b = 100.0;
    const double a = 30.0;
    EXPECT_NEAR(colourProperty(0, r, g, b, a, 255.0), 400.0 / 3.0, 1e-12);
    EXPECT_NEAR(colourProperty(1, r, g, b, a, 255.0), 0.25 * 255.0, 1e-9);
    EXPECT_NEAR(colourProperty(2, r, g, b, a, 2.0), 2.0 * hue(r, g, b), 1e-12);
    EXPECT_EQ(colourProperty(3, r, g, b, a, 2.0), r);
    EXPECT_EQ(colourProperty(4, r, g, b, a, 2.0), g);
    EXPECT_EQ(colourProperty(5, r, g, b, a, 2.0), b);
    EXPECT_EQ(colourProperty(6, r, g, b, a, 2.0), a);
    EXPECT_NEAR(colourProperty(7, r, g, b, a, 2.0), 400.0 / 3.0, 1e-12);
    EXPECT_NEAR(colourProperty(-1, r, g, b, a, 2.0), 400.0 / 3.0, 1e-12);
}

} // namespace
} // namespace korvane
