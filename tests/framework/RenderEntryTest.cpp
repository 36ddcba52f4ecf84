#include "FakeHost.h"
#include "RecordingEffect.h"

#include "tests/framework/ImageCopy.h"
#include "framework/xLayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace korvane::testing {
namespace {

using fakehost::FakeHost;
using fakehost::FakeLayer;

bool sameRect(const PF_LRect& a, const PF_LRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// An effect with one extra layer parameter, "base layer", at host index 1.
class LayerEffect : public RecordingEffect {
public:
    LayerEffect() {
        base.name = "base layer";
        base.label = "Base Layer";
        base.id = 4;
        parameters().add(element);
    }
    xLayerDef base;
    xLayer element{base};
};

// Copies input to output, as the shells do with default curves.
class CopyingEffect : public RecordingEffect {
public:
    std::int32_t onRender(const RenderCall& call) override {
        return copyImage(call.input, call.output) ? 0 : 1;
    }
};

// Asks for 10 more pixels on every side of whatever it is offered.
class GrowingEffect : public RecordingEffect {
public:
    std::vector<std::string> offeredNames;
    std::vector<IntRect> grownSeen;
    void expandInputRequest(std::string layerName, IntRect& rect, IntRect grown, double, double, double,
                            std::int32_t, std::int32_t) override {
        offeredNames.push_back(layerName);
        grownSeen.push_back(grown);
        rect = IntRect{rect.x0 - 10, rect.x1 + 10, rect.y0 - 10, rect.y1 + 10};
    }
};

struct RenderFixture : ::testing::Test {
    void inputAndOutput(std::int32_t w, std::int32_t h, std::int32_t pixelBytes = 4) {
        host.addLayer(0, w, h, pixelBytes, 0x11);
        host.output = std::make_unique<FakeLayer>(w, h, pixelBytes, 0xEE);
        host.preInput.output_request.rect = PF_LRect{0, 0, w, h};
        host.buildParams(2);
    }
    PF_Err preRender(AfterEffectsHost& effect) {
        return effect.dispatch(PF_Cmd_SMART_PRE_RENDER, &host.in, &host.out, nullptr, nullptr,
                               &host.preExtra);
    }
    PF_Err smartRender(AfterEffectsHost& effect) {
        host.smartInput.pre_render_data = host.preOutput.pre_render_data;
        return effect.dispatch(PF_Cmd_SMART_RENDER, &host.in, &host.out, nullptr, nullptr, &host.smartExtra);
    }
    PF_Err legacyRender(AfterEffectsHost& effect) {
        host.buildParams(2);
        return effect.dispatch(PF_Cmd_RENDER, &host.in, &host.out, host.paramPointers.data(),
                               &host.output->world, nullptr);
    }
    void expectAllCheckedIn() const {
        EXPECT_EQ(std::multiset<A_long>(host.pixelCheckouts.begin(), host.pixelCheckouts.end()),
                  std::multiset<A_long>(host.pixelCheckins.begin(), host.pixelCheckins.end()));
        EXPECT_EQ(int(host.paramCheckouts.size()), host.paramCheckins);
        EXPECT_EQ(host.handleCount(), 0u);
    }

    FakeHost host;
};

// ---- smart pre-render --------------------------------------------------------------------------

TEST_F(RenderFixture, PreRenderWithoutLayersAsksForTheRequestAndAllocatesNothing) {
    inputAndOutput(200, 100);
    host.preInput.output_request.rect = PF_LRect{10, 20, 300, 90};
    host.preInput.output_request.channel_mask = 2;
    host.in.current_time = 48;
    host.in.local_time_step = 24;
    RecordingEffect effect;
    EXPECT_EQ(preRender(effect), PF_Err_NONE);
    ASSERT_EQ(host.preRenderCheckouts.size(), 1u);
    const auto& input = host.preRenderCheckouts[0];
    EXPECT_EQ(input.index, 0);
    EXPECT_EQ(input.id, 0);
    EXPECT_TRUE(sameRect(input.rect, PF_LRect{10, 20, 300, 90}));
    EXPECT_EQ(input.time, 48);
    EXPECT_EQ(host.preOutput.pre_render_data, nullptr);
    EXPECT_EQ(host.handleCount(), 0u);
    EXPECT_TRUE(sameRect(host.preOutput.result_rect, PF_LRect{10, 20, 200, 90}));
    EXPECT_TRUE(sameRect(host.preOutput.max_result_rect, PF_LRect{0, 0, 200, 100}));
    EXPECT_EQ(host.preOutput.flags, 0);
    EXPECT_EQ(host.preOutput.solid, 0);
}

TEST_F(RenderFixture, ExtraLayerIsCentredOnTheInput) {
    inputAndOutput(200, 100);
    host.addLayer(1, 100, 100, 4, 0x22);
    LayerEffect effect;
    ASSERT_EQ(preRender(effect), PF_Err_NONE);
    ASSERT_EQ(host.preRenderCheckouts.size(), 3u);
    EXPECT_EQ(host.preRenderCheckouts[1].index, 1);
    EXPECT_EQ(host.preRenderCheckouts[1].id, 10001);
    EXPECT_TRUE(sameRect(host.preRenderCheckouts[1].rect, PF_LRect{0, 0, 200, 100}));
    EXPECT_EQ(host.preRenderCheckouts[2].index, 1);
    EXPECT_EQ(host.preRenderCheckouts[2].id, 1);
    // input columns 50..150 are layer columns 0..100
    EXPECT_TRUE(sameRect(host.preRenderCheckouts[2].rect, PF_LRect{0, 0, 100, 100}));
    ASSERT_NE(host.preOutput.pre_render_data, nullptr);
    EXPECT_EQ(host.handleCount(), 1u);
    EXPECT_EQ(host.lockedCount(), 0);

    ASSERT_EQ(smartRender(effect), PF_Err_NONE);
    ASSERT_EQ(effect.renders.size(), 1u);
    const LayerMap& layers = effect.renders[0].layers;
    ASSERT_EQ(layers.count("base layer"), 1u);
    const ImageDesc& base = layers.at("base layer");
    EXPECT_EQ(base.originX, 50);
    EXPECT_EQ(base.originY, 0);
    EXPECT_EQ(base.layerWidth, 100);
    EXPECT_EQ(base.layerHeight, 100);
    EXPECT_EQ(base.width, 100);
    EXPECT_EQ(base.present, 1);
    EXPECT_EQ(base.pixels, host.layers[1]->world.data);
    EXPECT_EQ(base.rowBytes, host.layers[1]->world.rowbytes);
    EXPECT_EQ(base.depth, 8);
    expectAllCheckedIn(); // also: the pre-render data is disposed of after the render
}

TEST_F(RenderFixture, OddSizesTruncateTheCentringOffset) {
    inputAndOutput(201, 51);
    host.addLayer(1, 100, 20, 4, 0x22);
    host.layers[1]->extent = PF_LRect{0, 0, 100, 20};
    LayerEffect effect;
    ASSERT_EQ(preRender(effect), PF_Err_NONE);
    ASSERT_EQ(smartRender(effect), PF_Err_NONE);
    const ImageDesc& base = effect.renders.at(0).layers.at("base layer");
    EXPECT_EQ(base.originX, 50); // (201 - 100) / 2 = 50.5
    EXPECT_EQ(base.originY, 15); // (51 - 20) / 2 = 15.5
}

TEST_F(RenderFixture, LayerWithoutPixelsGetsAnEmptyPlaceholder) {
    inputAndOutput(200, 100);
    host.addLayer(1, 100, 100, 4, 0x22).noPixels = true;
    LayerEffect effect;
    ASSERT_EQ(preRender(effect), PF_Err_NONE);
    ASSERT_EQ(smartRender(effect), PF_Err_NONE);
    const ImageDesc& base = effect.renders.at(0).layers.at("base layer");
    EXPECT_EQ(base.pixels, nullptr);
    EXPECT_EQ(base.width, 0);
    EXPECT_EQ(base.height, 0);
    EXPECT_EQ(base.originX, 0);
    EXPECT_EQ(base.originY, 0);
    EXPECT_EQ(base.present, 0);
    expectAllCheckedIn();
}

TEST_F(RenderFixture, PreRenderFailureReturnsTheHostErrorAndKeepsNoHandle) {
    inputAndOutput(200, 100);
    host.addLayer(1, 100, 100, 4, 0x22);
    host.checkoutErrors[10001] = PF_Err_INVALID_INDEX;
    LayerEffect effect;
    EXPECT_EQ(preRender(effect), PF_Err_INVALID_INDEX);
    EXPECT_EQ(host.preOutput.pre_render_data, nullptr);
    EXPECT_EQ(host.handleCount(), 0u);
}

TEST_F(RenderFixture, PreRenderDataThatCannotBeHadIsOutOfMemory) {
    inputAndOutput(200, 100);
    host.addLayer(1, 100, 100, 4, 0x22);
    host.failNewHandle = true;
    LayerEffect effect;
    EXPECT_EQ(preRender(effect), PF_Err_OUT_OF_MEMORY);
}

TEST_F(RenderFixture, ExpandedRequestsAreClippedAndExtraPixelsFlagged) {
    inputAndOutput(200, 100);
    host.preInput.output_request.rect = PF_LRect{20, 10, 60, 40};
    GrowingEffect effect;
    ASSERT_EQ(preRender(effect), PF_Err_NONE);
    ASSERT_EQ(host.preRenderCheckouts.size(), 2u);
    // the wider request first learns the input's extent
    EXPECT_EQ(host.preRenderCheckouts[0].id, 9999);
    EXPECT_TRUE(sameRect(host.preRenderCheckouts[0].rect, PF_LRect{0, 0, 0, 0}));
    // asked 20..60 x 10..40, grown to 10..70 x 0..50, inside the extent, offered again: 0..80 x -10..60
    EXPECT_EQ(host.preRenderCheckouts[1].id, 0);
    EXPECT_TRUE(sameRect(host.preRenderCheckouts[1].rect, PF_LRect{0, -10, 80, 60}));
    EXPECT_EQ(effect.offeredNames, (std::vector<std::string>{"Source", "Source", "Output", "Output"}));
    EXPECT_EQ(effect.grownSeen[0], (IntRect{-80, 160, -90, 140}));
    // the host makes 0..80 x 0..60 available; grown by 10 and kept inside the grown maximum
    EXPECT_TRUE(sameRect(host.preOutput.result_rect, PF_LRect{-10, -10, 90, 70}));
    EXPECT_TRUE(sameRect(host.preOutput.max_result_rect, PF_LRect{-10, -10, 210, 110}));
    EXPECT_EQ(host.preOutput.flags, PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS);
}

// ---- smart render ------------------------------------------------------------------------------

TEST_F(RenderFixture, SmartRenderDescribesInputAndOutput) {
    inputAndOutput(100, 50);
    host.layers[0]->world.origin_x = 3;
    host.layers[0]->world.origin_y = 4;
    host.in.width = 200;
    host.in.height = 100;
    host.in.downsample_x = PF_RationalScale{1, 2};
    host.in.downsample_y = PF_RationalScale{1, 2};
    host.in.pixel_aspect_ratio = PF_RationalScale{3, 2};
    RecordingEffect effect;
    ASSERT_EQ(preRender(effect), PF_Err_NONE);
    ASSERT_EQ(smartRender(effect), PF_Err_NONE);
    ASSERT_EQ(effect.calls.back(), "render8");
    const ImageDesc& input = effect.renders.at(0).input;
    EXPECT_EQ(input.pixels, host.layers[0]->world.data);
    EXPECT_EQ(input.width, 100);
    EXPECT_EQ(input.height, 50);
    EXPECT_EQ(input.rowBytes, 100 * 4 + 8);
    EXPECT_EQ(input.originX, 3);
    EXPECT_EQ(input.originY, 4);
    EXPECT_EQ(input.layerWidth, 100);
    EXPECT_EQ(input.layerHeight, 50);
    EXPECT_EQ(input.pixelAspect, 1.5);
    EXPECT_EQ(input.downsampleX, 0.5);
    EXPECT_EQ(input.downsampleY, 0.5);
    EXPECT_EQ(input.present, 1);
    const ImageDesc& output = effect.renders.at(0).output;
    EXPECT_EQ(output.pixels, host.output->world.data);
    EXPECT_EQ(output.layerWidth, 100);
    EXPECT_EQ(output.layerHeight, 50);
    EXPECT_TRUE(effect.renders.at(0).layers.empty());
    expectAllCheckedIn();
}

TEST_F(RenderFixture, DepthChoosesTheRenderOperation) {
    const std::vector<std::pair<A_short, std::string>> depths = {
        {8, "render8"}, {16, "render16"}, {32, "renderFloat"}};
    for (const auto& [depth, operation] : depths) {
        FakeHost& h = host;
        h.smartInput.bitdepth = depth;
        inputAndOutput(8, 4);
        RecordingEffect effect;
        ASSERT_EQ(smartRender(effect), PF_Err_NONE);
        EXPECT_EQ(effect.calls, std::vector<std::string>{operation});
        EXPECT_EQ(effect.renders.at(0).input.depth, depth);
        EXPECT_EQ(effect.renders.at(0).output.depth, depth);
    }
}

TEST_F(RenderFixture, OtherDepthsRenderNothing) {
    for (A_short depth : {A_short{0}, A_short{12}, A_short{64}}) {
        host.smartInput.bitdepth = depth;
        inputAndOutput(8, 4);
        RecordingEffect effect;
        EXPECT_EQ(smartRender(effect), PF_Err_NONE);
        EXPECT_TRUE(effect.calls.empty());
        EXPECT_TRUE(std::all_of(host.output->bytes.begin(), host.output->bytes.end(),
                                [](std::uint8_t b) { return b == 0xEE; }));
    }
}

TEST_F(RenderFixture, MissingInputBufferLeavesTheOutputUntouched) {
    inputAndOutput(8, 4);
    host.layers[0]->noPixels = true;
    CopyingEffect effect;
    EXPECT_EQ(smartRender(effect), PF_Err_NONE);
    EXPECT_TRUE(effect.calls.empty());
    EXPECT_TRUE(std::all_of(host.output->bytes.begin(), host.output->bytes.end(),
                            [](std::uint8_t b) { return b == 0xEE; }));
    expectAllCheckedIn();
}

TEST_F(RenderFixture, CheckoutErrorsAreReturnedAndEverythingIsCheckedIn) {
    inputAndOutput(200, 100);
    host.addLayer(1, 100, 100, 4, 0x22);
    LayerEffect effect;
    ASSERT_EQ(preRender(effect), PF_Err_NONE);
    host.checkoutErrors[1] = PF_Err_INTERNAL_STRUCT_DAMAGED;
    EXPECT_EQ(smartRender(effect), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_TRUE(effect.renders.empty());
    expectAllCheckedIn();

    host.checkoutErrors.clear();
    host.checkoutErrors[-1] = PF_Err_OUT_OF_MEMORY; // the output
    EXPECT_EQ(smartRender(effect), PF_Err_OUT_OF_MEMORY);
    expectAllCheckedIn();
}

TEST_F(RenderFixture, RenderResultIsReturned) {
    inputAndOutput(8, 4);
    RecordingEffect effect;
    effect.renderResult = PF_Interrupt_CANCEL;
    EXPECT_EQ(smartRender(effect), PF_Interrupt_CANCEL);
}

TEST_F(RenderFixture, CopyWritesPixelsButNeverTheRowPadding) {
    inputAndOutput(5, 3);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t i = 0; i < 5 * 4; ++i) {
            host.layers[0]->row(y)[i] = std::uint8_t(y * 20 + i);
        }
    }
    CopyingEffect effect;
    ASSERT_EQ(smartRender(effect), PF_Err_NONE);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t i = 0; i < 5 * 4; ++i) {
            EXPECT_EQ(host.output->row(y)[i], std::uint8_t(y * 20 + i));
        }
        for (std::int32_t i = 5 * 4; i < 5 * 4 + 8; ++i) {
            EXPECT_EQ(host.output->row(y)[i], 0xEE) << "padding of row " << y;
        }
    }
}

// ---- legacy render -----------------------------------------------------------------------------

TEST_F(RenderFixture, LegacyDeepInputCallsRender16) {
    inputAndOutput(6, 3, 8);
    host.output->world.world_flags = 0;
    host.in.output_origin_x = 7;
    host.in.output_origin_y = 9;
    RecordingEffect effect;
    EXPECT_EQ(legacyRender(effect), PF_Err_NONE);
    EXPECT_EQ(effect.calls, std::vector<std::string>{"render16"});
    const ImageDesc& input = effect.renders.at(0).input;
    EXPECT_EQ(input.depth, 16);
    EXPECT_EQ(input.originX, 7);
    EXPECT_EQ(input.originY, 9);
    EXPECT_EQ(input.layerWidth, 6);
    EXPECT_EQ(input.layerHeight, 3);
    EXPECT_EQ(effect.renders.at(0).output.depth, 16);
    expectAllCheckedIn();
}

TEST_F(RenderFixture, LegacyDeepOutputOrNeitherDeep) {
    inputAndOutput(6, 3, 4);
    host.output->world.world_flags = PF_WorldFlag_DEEP;
    RecordingEffect deep;
    legacyRender(deep);
    EXPECT_EQ(deep.calls, std::vector<std::string>{"render16"});
    host.output->world.world_flags = 0;
    RecordingEffect flat;
    legacyRender(flat);
    EXPECT_EQ(flat.calls, std::vector<std::string>{"render8"});
}

TEST_F(RenderFixture, LegacyLayersAreCentredOnTheOutputAndCheckedIn) {
    inputAndOutput(200, 100);
    host.addLayer(1, 100, 100, 4, 0x22).par = PF_RationalScale{0, 0};
    host.layers[1]->world.pix_aspect_ratio = PF_RationalScale{1, 0};
    host.in.pixel_aspect_ratio = PF_RationalScale{2, 1};
    LayerEffect effect;
    EXPECT_EQ(legacyRender(effect), PF_Err_NONE);
    const ImageDesc& base = effect.renders.at(0).layers.at("base layer");
    EXPECT_EQ(base.originX, 50);
    EXPECT_EQ(base.originY, 0);
    EXPECT_EQ(base.pixelAspect, 2.0); // the layer's ratio has no denominator
    EXPECT_EQ(base.present, 1);
    EXPECT_EQ(host.paramCheckouts, std::vector<PF_ParamIndex>{1});
    expectAllCheckedIn();
}

class TimeShiftEffect : public RecordingEffect {
public:
    double frameOfLayer(std::string) override { return 3.0; }
};

TEST_F(RenderFixture, LegacyInputAtAnotherTimeIsCheckedOutAndBackIn) {
    inputAndOutput(6, 3);
    host.in.current_time = 10;
    host.in.local_time_step = 5;
    TimeShiftEffect effect;
    EXPECT_EQ(legacyRender(effect), PF_Err_NONE);
    EXPECT_EQ(host.paramCheckouts, std::vector<PF_ParamIndex>{0});
    expectAllCheckedIn();
    RecordingEffect sameTime; // frame 2 x 5 = 10: no checkout
    host.paramCheckouts.clear();
    host.paramCheckins = 0;
    legacyRender(sameTime);
    EXPECT_TRUE(host.paramCheckouts.empty());
}

TEST_F(RenderFixture, LegacyLayerErrorIsReturnedAfterCheckingIn) {
    inputAndOutput(6, 3);
    host.in.current_time = 10;
    host.in.local_time_step = 5;
    host.addLayer(1, 6, 3, 4, 0);
    host.checkoutErrors[1] = PF_Err_INVALID_INDEX;
    class Both : public LayerEffect {
    public:
        double frameOfLayer(std::string) override { return 1.0; }
    } effect;
    EXPECT_EQ(legacyRender(effect), PF_Err_INVALID_INDEX);
    EXPECT_TRUE(effect.renders.empty());
    EXPECT_EQ(host.paramCheckouts, std::vector<PF_ParamIndex>{0});
    expectAllCheckedIn();
}

} // namespace
} // namespace korvane::testing
