// Arbitrary-data values live in host handles made by the plug-in's own callbacks; between keyframes
// the plug-in's INTERP callback blends them. The probe's value is one number, "level".
#include "tests/host/ProbeFixture.h"

#include <gmock/gmock.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kvhost {
namespace {

std::vector<std::uint8_t> flatLevel(double level) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, "level %.17g", level);
    return std::vector<std::uint8_t>(text, text + n + 1);
}

double levelOf(const std::vector<std::uint8_t>& flat) {
    const std::string text(flat.begin(), flat.end());
    EXPECT_EQ(text.rfind("level ", 0), 0u) << text;
    return std::strtod(text.c_str() + 6, nullptr);
}

TEST_F(ProbeTest, AValueSurvivesFlattenAndUnflatten) {
    auto instance = setUpInstance();
    EXPECT_EQ(levelOf(instance->arbitraryFlat(kProbeLevel)), kProbeDefaultLevel);
    instance->setArbitraryFlat(kProbeLevel, flatLevel(0.75));
    EXPECT_EQ(instance->arbitraryFlat(kProbeLevel), flatLevel(0.75));
    EXPECT_EQ(instance->problems(), "");
}

TEST_F(ProbeTest, KeyframesAreBlendedByThePluginsInterpolation) {
    auto instance = setUpInstance();
    instance->setArbitraryKeyframe(kProbeLevel, 0.0, flatLevel(10.0));
    instance->setArbitraryKeyframe(kProbeLevel, 2.0, flatLevel(30.0));
    instance->setArbitraryKeyframe(kProbeLevel, 4.0, flatLevel(20.0));
    // Linear between neighbours: value = a + (b - a) * (s - sa) / (sb - sa).
    const struct {
        double seconds;
        double expected;
    } cases[] = {{-1.0, 10.0}, {0.0, 10.0}, {0.5, 10.0 + 20.0 * 0.25}, {2.0, 30.0}, {3.0, 30.0 - 10.0 * 0.5},
                 {4.0, 20.0},  {9.0, 20.0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(levelOf(instance->arbitraryFlatAt(kProbeLevel, c.seconds)), c.expected) << c.seconds;
    }
    // Every value made for a time was disposed again.
    EXPECT_EQ(instance->problems(), "");
    EXPECT_EQ(instance->memory().liveCount(), 6u); // sequence data, default, value, three keyframes
}

TEST_F(ProbeTest, AKeyframeAtTheSameTimeReplacesTheOldOne) {
    auto instance = setUpInstance();
    instance->setArbitraryKeyframe(kProbeLevel, 1.0, flatLevel(1.0));
    instance->setArbitraryKeyframe(kProbeLevel, 1.0, flatLevel(2.0));
    EXPECT_EQ(instance->parameter(kProbeLevel).keyframes().size(), 1u);
    EXPECT_EQ(levelOf(instance->arbitraryFlatAt(kProbeLevel, 0.0)), 2.0);
    EXPECT_EQ(instance->problems(), "");
}

TEST_F(ProbeTest, ARenderSeesTheValueAtItsTime) {
    auto instance = setUpInstance();
    instance->setNumber(kProbeMode, 2); // "level": every channel = level x maximum
    instance->setArbitraryKeyframe(kProbeLevel, 0.0, flatLevel(0.0));
    instance->setArbitraryKeyframe(kProbeLevel, 2.0, flatLevel(1.0));
    instance->setCurrentSeconds(0.5);
    RenderRequest request;
    request.input = pattern(3, 2, 16);
    const RenderResult result = instance->renderSmart(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(result.output.channel(2, 1, 1), std::floor(0.25 * 32768.0 + 0.5));

    instance->setCurrentSeconds(1.5);
    request.input = pattern(3, 2, 8);
    const RenderResult later = instance->renderSmart(request);
    EXPECT_EQ(later.output.channel(0, 0, 3), std::floor(0.75 * 255.0 + 0.5));
    EXPECT_EQ(instance->problems(), "");
}

TEST_F(ProbeTest, ComparesThroughThePlugin) {
    auto instance = setUpInstance();
    EXPECT_TRUE(instance->arbitraryEqual(kProbeLevel, flatLevel(0.5), flatLevel(0.5)));
    EXPECT_FALSE(instance->arbitraryEqual(kProbeLevel, flatLevel(0.5), flatLevel(0.6)));
    EXPECT_EQ(instance->problems(), "");
}

TEST_F(ProbeTest, AValueChangedInPlaceIsKept) {
    auto instance = setUpInstance();
    ASSERT_EQ(instance->userChangedParam(kProbeLevel), PF_Err_NONE);
    EXPECT_THAT(instance->changedParams(), ::testing::ElementsAre(kProbeLevel));
    EXPECT_EQ(levelOf(instance->arbitraryFlat(kProbeLevel)), kProbeDefaultLevel + 1.0);
}

TEST_F(ProbeTest, AnAnimatedValueChangedByThePluginBecomesAKeyframe) {
    auto instance = setUpInstance();
    instance->setArbitraryKeyframe(kProbeLevel, 0.0, flatLevel(0.0));
    instance->setArbitraryKeyframe(kProbeLevel, 2.0, flatLevel(4.0));
    instance->setCurrentSeconds(1.0);
    ASSERT_EQ(instance->userChangedParam(kProbeLevel), PF_Err_NONE);
    // The plug-in added 1 to the blended 2.0 at one second.
    ASSERT_EQ(instance->parameter(kProbeLevel).keyframes().size(), 3u);
    EXPECT_EQ(levelOf(instance->arbitraryFlatAt(kProbeLevel, 1.0)), 3.0);
    EXPECT_EQ(levelOf(instance->arbitraryFlatAt(kProbeLevel, 0.5)), 1.5);
    EXPECT_EQ(instance->problems(), "");
}

} // namespace
} // namespace kvhost
