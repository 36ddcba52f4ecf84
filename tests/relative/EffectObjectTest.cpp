// The effect object's answers that need no host: its one layer parameter and the node colour readout.
#include "relative/RelativeCurvesAEHost.h"
#include "relative/RelativeEditorPresentation.h"
#include "relative/RelativeProperties.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace korvane {
namespace {

TEST(EffectObject, TheBaseLayerIsTheOnlyLayerParameter) {
    RelativeCurvesAEHost effect("KV Curves - Relative", "Korvane", "", 1, 0, 7);
    std::string name = "unchanged";
    EXPECT_EQ(effect.layerParameter(0, &name), 11);
    EXPECT_EQ(name, "base layer");
    EXPECT_EQ(effect.layerParameter(0, nullptr), 11);
    name = "unchanged";
    EXPECT_EQ(effect.layerParameter(1, &name), -1);
    EXPECT_EQ(effect.layerParameter(-1, &name), -1);
    EXPECT_EQ(effect.layerParameter(50, &name), -1);
    EXPECT_EQ(name, "unchanged");
    EXPECT_EQ(effect.parameterCount(), 13);
}

TEST(EffectObject, TheNodeReadoutIsTheInputColourFadedAQuarter) {
    PF_Pixel red = nodeInputColour(relative::kRed, 0.5);
    EXPECT_EQ(red.red, 127);
    EXPECT_EQ(red.green, 0);
    EXPECT_EQ(red.blue, 0);
    const PF_Pixel grey = nodeInputColour(relative::kAlpha, 0.3);
    EXPECT_EQ(grey.red, 76);
    EXPECT_EQ(grey.blue, 76);
    EXPECT_EQ(nodeInputColour(relative::kBlue, 7.0).blue, 255);
    EXPECT_EQ(nodeInputColour(relative::kGreen, -1.0).green, 0);

    // The hue circle at 3/4 of the radius, value 0.2 turns.
    const double a = 2.0 * std::numbers::pi * 0.2;
    const double k = 0.75 * 0.5 * 0.816496;
    const PF_Pixel hue = nodeInputColour(relative::kHue, 0.2);
    EXPECT_EQ(hue.red, int((0.5 + 0.408248 * k * std::cos(a) + 0.707107 * k * std::sin(a)) * 255));
    EXPECT_EQ(hue.green, int((0.5 + 0.408248 * k * std::cos(a) - 0.707107 * k * std::sin(a)) * 255));
    EXPECT_EQ(hue.blue, int((0.5 - 0.816496 * k * std::cos(a)) * 255));
}

} // namespace
} // namespace korvane
