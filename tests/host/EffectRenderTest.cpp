// Frames rendered through the smart and the legacy commands reach the plug-in with the right worlds:
// the probe copies its input, so the output must equal the input, and no padding byte may change.
#include "tests/host/ProbeFixture.h"

#include "host/HostError.h"

#include <gmock/gmock.h>

namespace kvhost {
namespace {

class RenderTest : public ProbeTest, public ::testing::WithParamInterface<int> {};

TEST_P(RenderTest, SmartRenderHandsTheInputToThePlugin) {
    const int depth = GetParam();
    auto instance = setUpInstance();
    RenderRequest request;
    request.input = pattern(13, 7, depth);
    const RenderResult result = instance->renderSmart(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(result.output.depth(), depth);
    EXPECT_EQ(result.output.width(), 13);
    EXPECT_EQ(result.output.height(), 7);
    EXPECT_EQ(result.output.pixelBytesPacked(), request.input->pixelBytesPacked());
    EXPECT_TRUE(result.output.paddingIntact());
    EXPECT_TRUE(request.input->paddingIntact());
    EXPECT_EQ(instance->problems(), "");
}

TEST_P(RenderTest, SmartRenderConvertsTheInputToTheRenderDepth) {
    const int depth = GetParam();
    auto instance = setUpInstance();
    RenderRequest request;
    request.input = pattern(6, 5, depth == 8 ? 16 : 8);
    request.depth = depth;
    const RenderResult result = instance->renderSmart(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(result.output.depth(), depth);
    EXPECT_EQ(result.output.pixelBytesPacked(), request.input->converted(depth).pixelBytesPacked());
}

INSTANTIATE_TEST_SUITE_P(Depths, RenderTest, ::testing::Values(8, 16, 32));

class LegacyRenderTest : public ProbeTest, public ::testing::WithParamInterface<int> {};

TEST_P(LegacyRenderTest, LegacyRenderHandsTheInputInParamsZero) {
    const int depth = GetParam();
    auto instance = setUpInstance();
    RenderRequest request;
    request.input = pattern(9, 6, depth);
    const RenderResult result = instance->renderLegacy(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(result.output.pixelBytesPacked(), request.input->pixelBytesPacked());
    EXPECT_TRUE(result.output.paddingIntact());
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_RENDER").clean());
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_FRAME_SETUP").clean());
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_FRAME_SETDOWN").clean());
}

INSTANTIATE_TEST_SUITE_P(Depths, LegacyRenderTest, ::testing::Values(8, 16));

TEST_F(ProbeTest, TheLegacyRenderHasNoFloatPath) {
    auto instance = setUpInstance();
    RenderRequest request;
    request.input = pattern(2, 2, 32);
    EXPECT_THROW(instance->renderLegacy(request), HostError);
}

TEST_F(ProbeTest, APartialRequestRendersThatRectangle) {
    auto instance = setUpInstance();
    RenderRequest request;
    request.input = pattern(40, 30, 8);
    request.outputRect = PF_LRect{10, 12, 30, 22};
    const RenderResult result = instance->renderSmart(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    ASSERT_EQ(result.output.width(), 20);
    ASSERT_EQ(result.output.height(), 10);
    EXPECT_EQ(result.output.originX(), 10);
    EXPECT_EQ(result.output.originY(), 12);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            for (int c = 0; c < 4; ++c) {
                ASSERT_EQ(result.output.channel(x, y, c), request.input->channel(x + 10, y + 12, c));
            }
        }
    }
}

TEST_F(ProbeTest, ARequestBeyondTheLayerIsClippedToIt) {
    auto instance = setUpInstance();
    RenderRequest request;
    request.input = pattern(16, 8, 8);
    request.outputRect = PF_LRect{-5, -5, 100, 4};
    const RenderResult result = instance->renderSmart(request);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(result.output.width(), 16);
    EXPECT_EQ(result.output.height(), 4);
}

TEST_F(ProbeTest, AnExtraLayerKeepsItsOwnSize) {
    auto instance = setUpInstance();
    RenderRequest request;
    request.input = pattern(200, 100, 8);
    request.layers[kProbeLayer] = pattern(100, 100, 8);
    ASSERT_EQ(instance->renderSmart(request).result, PF_Err_NONE);
    EXPECT_EQ(seen("layerMaxWidth"), 100);
    EXPECT_EQ(seen("layerWidth"), 100);
}

TEST_F(ProbeTest, ALayerComesBackWithTheOriginOfTheRectangleCheckedOut) {
    // A 20 x 10 input over a 30 x 16 layer; the layer's rectangle is the input's with its left and top
    // moved, clipped to the layer.
    struct Case {
        int left, top;
        int originX, originY, width, height;
    };
    const Case cases[] = {
        {3, 2, 3, 2, 17, 8},    // starts inside the layer
        {0, 0, 0, 0, 20, 10},   // at the layer's first pixel
        {-4, -1, 0, 0, 20, 10}, // before it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + ", " + std::to_string(c.top));
        auto instance = setUpInstance();
        set("layerLeft", c.left);
        set("layerTop", c.top);
        RenderRequest request;
        request.input = pattern(20, 10, 8);
        const auto layer = pattern(30, 16, 8);
        request.layers[kProbeLayer] = layer;
        ASSERT_EQ(instance->renderSmart(request).result, PF_Err_NONE);
        EXPECT_EQ(seen("layerOriginX"), c.originX);
        EXPECT_EQ(seen("layerOriginY"), c.originY);
        EXPECT_EQ(seen("layerWidth"), c.width);
        EXPECT_EQ(seen("layerHeight"), c.height);
        EXPECT_EQ(seen("layerFirstRed"), layer->channel(c.originX, c.originY, 1));
        EXPECT_EQ(instance->problems(), "");
    }
}

TEST_F(ProbeTest, AnEmptyRequestStillReportsTheExtent) {
    auto instance = setUpInstance();
    set("emptyRequest", 1);
    RenderRequest request;
    request.input = pattern(30, 20, 8);
    auto input = std::make_shared<HostImage>(*request.input);
    input->setPixelAspect(PF_RationalScale{10, 11});
    request.input = input;
    ASSERT_EQ(instance->renderSmart(request).result, PF_Err_NONE);
    EXPECT_EQ(seen("extentWidth"), 30);
    EXPECT_EQ(seen("extentHeight"), 20);
    EXPECT_EQ(seen("emptyResultWidth"), 0);
    EXPECT_EQ(seen("parNum"), 10);
    EXPECT_EQ(seen("parDen"), 11);
    // Checkout 9999 was never asked for pixels: nothing to check in.
    EXPECT_EQ(reportOf(*instance, "PF_Cmd_SMART_RENDER").layersCheckedInByHost, 1);
}

TEST_F(ProbeTest, AnEmptyLayerParameterHasNoPixels) {
    auto instance = setUpInstance();
    RenderRequest request;
    request.input = pattern(10, 10, 16);
    ASSERT_EQ(instance->renderSmart(request).result, PF_Err_NONE);
    EXPECT_EQ(seen("layerMaxWidth"), 0);
    EXPECT_EQ(seen("layerWidth"), -1);
}

TEST_F(ProbeTest, DownsamplingReportsTheFullLayerSize) {
    auto instance = setUpInstance();
    RenderRequest request;
    request.input = pattern(50, 20, 8);
    request.downsampleX = PF_RationalScale{1, 2};
    request.downsampleY = PF_RationalScale{1, 2};
    ASSERT_EQ(instance->renderSmart(request).result, PF_Err_NONE);
    EXPECT_EQ(seen("inWidth"), 100);
}

TEST_F(ProbeTest, RejectsABadRenderRequest) {
    auto instance = setUpInstance();
    RenderRequest request;
    EXPECT_THROW(instance->renderSmart(request), HostError); // no input
    request.input = pattern(2, 2, 8);
    request.depth = 12;
    EXPECT_THROW(instance->renderSmart(request), HostError);
    request.depth = 8;
    request.downsampleX = PF_RationalScale{0, 1};
    EXPECT_THROW(instance->renderSmart(request), HostError);
    request.downsampleX = PF_RationalScale{1, 1};
    request.layers[kProbeAmount] = pattern(2, 2, 8);
    EXPECT_THROW(instance->renderSmart(request), HostError);
    // The instance still renders after the refusals.
    request.layers.clear();
    EXPECT_EQ(instance->renderSmart(request).result, PF_Err_NONE);
}

TEST_F(ProbeTest, RenderingNeedsGlobalSetup) {
    EffectInstance instance(plugin());
    RenderRequest request;
    request.input = pattern(2, 2, 8);
    EXPECT_THROW(instance.renderSmart(request), HostError);
}

} // namespace
} // namespace kvhost
