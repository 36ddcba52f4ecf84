// With their default parameters both effects leave an image as it is, through the smart render at
// every depth and through the legacy render, and give back everything the host lent them.
#include "host/EffectInstance.h"
#include "host/PluginFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using kvhost::HostImage;
using kvhost::RenderRequest;
using kvhost::RenderResult;

// Every channel of every pixel a different value in 0..max, alpha included.
std::shared_ptr<HostImage> pattern(int width, int height, int depth) {
    auto image = std::make_shared<HostImage>(width, height, depth);
    const double max = depth == 32 ? 1.0 : HostImage::maxValue(depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 4; ++c) {
                image->setChannel(x, y, c, double((x * 5 + y * 11 + c * 3) % 32) / 31.0 * max);
            }
        }
    }
    return image;
}

struct Case {
    const char* path;
    int depth;
    bool legacy;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.path << (c.legacy ? " legacy " : " smart ") << c.depth;
}

class NeutralRenderTest : public ::testing::TestWithParam<Case> {};

TEST_P(NeutralRenderTest, ReturnsTheInputUnchanged) {
    const Case& c = GetParam();
    kvhost::PluginFile plugin(c.path);
    kvhost::EffectInstance instance(plugin);
    instance.setup();
    RenderRequest request;
    request.input = pattern(37, 23, c.depth);
    const RenderResult result = c.legacy ? instance.renderLegacy(request) : instance.renderSmart(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    ASSERT_EQ(result.output.width(), 37);
    ASSERT_EQ(result.output.height(), 23);
    EXPECT_EQ(result.output.depth(), c.depth);
    EXPECT_EQ(result.output.pixelBytesPacked(), request.input->pixelBytesPacked());
    EXPECT_TRUE(result.output.paddingIntact());
    EXPECT_TRUE(request.input->paddingIntact());
    // Every parameter checked in, no handle leaked or left locked, every suite released.
    EXPECT_EQ(instance.problems(), "");
}

TEST_P(NeutralRenderTest, RendersAgainAfterTheProjectIsSavedAndReopened) {
    const Case& c = GetParam();
    kvhost::PluginFile plugin(c.path);
    kvhost::EffectInstance instance(plugin);
    instance.setup();
    const std::vector<std::uint8_t> flat = instance.flattenSequence();
    ASSERT_FALSE(flat.empty());
    ASSERT_EQ(instance.resetupSequence(flat), PF_Err_NONE);
    RenderRequest request;
    request.input = pattern(8, 8, c.depth);
    const RenderResult result = c.legacy ? instance.renderLegacy(request) : instance.renderSmart(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(result.output.pixelBytesPacked(), request.input->pixelBytesPacked());
    EXPECT_EQ(instance.problems(), "");
}

// A host may hand back stored sequence data of no bytes: it holds nothing, and the effect starts afresh.
TEST_P(NeutralRenderTest, EmptyStoredSequenceDataGivesTheDefaults) {
    const Case& c = GetParam();
    kvhost::PluginFile plugin(c.path);
    kvhost::EffectInstance instance(plugin);
    instance.setup();
    ASSERT_EQ(instance.resetupSequence(std::vector<std::uint8_t>{}), PF_Err_NONE);
    EXPECT_EQ(instance.problems(), "");
    RenderRequest request;
    request.input = pattern(8, 8, c.depth);
    const RenderResult result = c.legacy ? instance.renderLegacy(request) : instance.renderSmart(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(result.output.pixelBytesPacked(), request.input->pixelBytesPacked());
    // Saved again, it is the text of a fresh effect.
    kvhost::EffectInstance fresh(plugin);
    fresh.setup();
    EXPECT_EQ(instance.flattenSequence(), fresh.flattenSequence());
    EXPECT_EQ(instance.problems(), "");
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    const std::string effect = std::string(info.param.path) == KV_MORROWBY ? "Absolute" : "Relative";
    return effect + (info.param.legacy ? "Legacy" : "Smart") + std::to_string(info.param.depth);
}

INSTANTIATE_TEST_SUITE_P(Effects, NeutralRenderTest,
                         ::testing::Values(Case{KV_MORROWBY, 8, false}, Case{KV_MORROWBY, 16, false},
                                           Case{KV_MORROWBY, 32, false}, Case{KV_MORROWBY, 8, true},
                                           Case{KV_MORROWBY, 16, true}, Case{KV_TARNWICK, 8, false},
                                           Case{KV_TARNWICK, 16, false}, Case{KV_TARNWICK, 32, false},
                                           Case{KV_TARNWICK, 8, true}, Case{KV_TARNWICK, 16, true}),
                         caseName);

} // namespace
