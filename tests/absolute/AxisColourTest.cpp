// The channel axis colours of the editor bars and the node colour readouts.
#include "absolute/AxisColour.h"
#include "absolute/AbsoluteChannels.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvane {
namespace {

constexpr float kSingle = 1e-6f;

float distanceFromMidGrey(const AxisColour& c) {
    return std::sqrt((c.red - 0.5f) * (c.red - 0.5f) + (c.green - 0.5f) * (c.green - 0.5f) +
                     (c.blue - 0.5f) * (c.blue - 0.5f));
}

TEST(AxisColour, RampsClampTheirValueToZeroToOne) {
    for (const auto& [v, expected] :
         {std::pair{-0.5f, 0.0f}, std::pair{0.25f, 0.25f}, std::pair{2.0f, 1.0f}}) {
        const AxisColour grey = greyAxisColour(v);
        EXPECT_EQ(grey.red, expected);
        EXPECT_EQ(grey.green, expected);
        EXPECT_EQ(grey.blue, expected);
        const AxisColour red = redAxisColour(v);
        EXPECT_EQ(red.red, expected);
        EXPECT_EQ(red.green, 0.0f);
        EXPECT_EQ(greenAxisColour(v).green, expected);
        EXPECT_EQ(greenAxisColour(v).blue, 0.0f);
        EXPECT_EQ(blueAxisColour(v).blue, expected);
        EXPECT_EQ(blueAxisColour(v).red, 0.0f);
    }
    EXPECT_EQ(greyAxisColour(std::nanf("")).red, 0.0f);
}

TEST(AxisColour, HueCircleRunsFromYellowThroughRedToBlue) {
    const AxisColour yellowish = hueAxisColour(0.0f, 0.0f);
    EXPECT_NEAR(yellowish.red, yellowish.green, kSingle);
    EXPECT_LT(yellowish.blue, yellowish.red);
    const AxisColour red = hueAxisColour(1.0f / 6.0f, 0.0f);
    EXPECT_NEAR(red.green, red.blue, kSingle);
    EXPECT_GT(red.red, red.green);
    const AxisColour blue = hueAxisColour(0.5f, 0.0f);
    EXPECT_NEAR(blue.red, blue.green, kSingle);
    EXPECT_GT(blue.blue, blue.red);
    // Mid grey in the middle: the three components always add up to 1.5.
    for (const float v : {0.0f, 0.1f, 0.37f, 0.8f}) {
        const AxisColour c = hueAxisColour(v, 0.0f);
        EXPECT_NEAR(c.red + c.green + c.blue, 1.5f, 1e-5f) << v;
    }
}

TEST(AxisColour, TheFadeShrinksTheHueCircleTowardsGrey) {
    // Radius (1 - f) x 0.5 x 0.816496 about mid grey.
    for (const float fade : {0.0f, 0.25f, 0.5f, 1.0f}) {
        for (const float v : {0.0f, 0.2f, 0.55f, 0.9f}) {
            EXPECT_NEAR(distanceFromMidGrey(hueAxisColour(v, fade)), (1.0f - fade) * 0.408248f, 2e-5f)
                << v << " " << fade;
        }
    }
    const AxisColour grey = hueAxisColour(0.3f, 1.0f);
    EXPECT_EQ(grey.red, 0.5f);
    EXPECT_EQ(grey.blue, 0.5f);
}

TEST(AxisColour, EachChannelHasItsAxis) {
    const float v = 0.6f;
    EXPECT_EQ(channelAxisColour(kChannelRed, v, 0.25f).red, v);
    EXPECT_EQ(channelAxisColour(kChannelRed, v, 0.25f).green, 0.0f);
    EXPECT_EQ(channelAxisColour(kChannelGreen, v, 0.25f).green, v);
    EXPECT_EQ(channelAxisColour(kChannelBlue, v, 0.25f).blue, v);
    for (const std::int32_t grey : {kChannelBrightness, kChannelSaturation, kChannelRgb, kChannelAlpha}) {
        const AxisColour c = channelAxisColour(grey, v, 0.25f);
        EXPECT_EQ(c.red, v);
        EXPECT_EQ(c.green, v);
        EXPECT_EQ(c.blue, v);
    }
    const AxisColour hue = channelAxisColour(kChannelHue, v, 0.25f);
    EXPECT_NEAR(distanceFromMidGrey(hue), 0.75f * 0.408248f, 2e-5f);
}

} // namespace
} // namespace korvane
