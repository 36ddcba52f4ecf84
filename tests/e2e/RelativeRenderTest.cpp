// Whole renders of the Relative effect through the host: pixels against values worked out here, the base
// layer, the histograms the render leaves in the sequence data, abort and out of memory, and a project
// that reopens to the same bytes.
#include "host/Project.h"
#include "tests/e2e/RelativeEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace korvane::relativetest {
namespace {

using kvhost::HostImage;
using kvhost::RenderResult;

TEST(RelativeRender, DefaultCurvesLeaveTheImageAtEveryDepthAndEveryView) {
    for (const int depth : {8, 16, 32}) {
        RelativeEffect effect;
        const auto input = pattern(67, 31, depth);
        const RenderResult result = effect.render(input);
        ASSERT_EQ(result.result, PF_Err_NONE) << depth;
        EXPECT_EQ(result.output.pixelBytesPacked(), input->pixelBytesPacked()) << depth;
        EXPECT_TRUE(result.output.paddingIntact()) << depth;
        // With a base layer too: nothing reads it.
        const RenderResult based = effect.render(input, pattern(20, 9, depth));
        EXPECT_EQ(based.output.pixelBytesPacked(), input->pixelBytesPacked()) << depth;
        EXPECT_EQ(effect->problems(), "") << depth;
    }
}

TEST(RelativeRender, EachChangeKindOnAPixelWorkedOutByHand) {
    RelativeEffect effect;
    RelativeCurveSet set = defaultCurves();
    // Red x (1 + green), blue + 0.2 x 255 read from a flat curve, alpha + 0.5 x 255.
    set.curves[3] = polylineCurve({{0.0, 0.0}, {1.0, 1.0}});
    set.basedOn[3] = 4;
    set.curves[5] = polylineCurve({{0.0, 0.2}, {1.0, 0.2}});
    set.changeBy[5] = 1;
    set.curves[6] = polylineCurve({{0.0, 0.5}, {1.0, 0.5}});
    set.changeBy[6] = 1;
    effect.setCurves(set);
    const RenderResult result = effect.render(imageOf(1, 1, 8, {100, 51, 10, 200}));
    ASSERT_EQ(result.result, PF_Err_NONE);
    const Colour out = pixelAt(result.output, 0);
    EXPECT_NEAR(out.red, 100 * 1.2, 0.51);
    EXPECT_EQ(out.green, 51);
    EXPECT_EQ(out.blue, 61);
    EXPECT_EQ(out.alpha, 255);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeRender, ALinkedPropertyTakesTheLinkedCurvesAmount) {
    // Brightness based on "red curve"; red based on green with factor 0; blue linked to the brightness link.
    RelativeEffect effect;
    RelativeCurveSet set = defaultCurves();
    set.curves[3] = polylineCurve({{0.0, 0.0}, {1.0, 1.0}});
    set.basedOn[3] = 4;
    set.changeFactor[3] = 0.0;
    set.basedOn[0] = 8 + 3;
    set.basedOn[5] = 8 + 0;
    set.curves[5] = polylineCurve({{0.0, 1.0}, {1.0, 1.0}});
    effect.setCurves(set);
    const RenderResult result = effect.render(imageOf(1, 1, 32, {0.2, 0.5, 0.1, 1.0}));
    ASSERT_EQ(result.result, PF_Err_NONE);
    const Colour out = pixelAt(result.output, 0);
    EXPECT_NEAR(out.red, 0.3, 1e-4);
    EXPECT_NEAR(out.green, 0.75, 1e-4);
    EXPECT_NEAR(out.blue, 0.15, 1e-4);
}

TEST(RelativeRender, ABaseLayerOffsetLeavesTransparentBlackAroundIt) {
    // Red plus the base layer's alpha. The 4 x 2 base layer is centred on the 8 x 4 input: columns 2..5,
    // rows 1..2.
    RelativeEffect effect;
    RelativeCurveSet set = defaultCurves();
    set.curves[3] = polylineCurve({{0.0, 0.0}, {1.0, 1.0}});
    set.basedOn[3] = 6;
    set.changeBy[3] = 1;
    effect.setCurves(set);
    for (const int depth : {8, 16}) {
        const double max = HostImage::maxValue(depth);
        const RenderResult result =
            effect.render(imageOf(8, 4, depth, {0, 0, 0, max}), imageOf(4, 2, depth, {0, 0, 0, max}));
        ASSERT_EQ(result.result, PF_Err_NONE);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool inside = x >= 2 && x < 6 && y >= 1 && y < 3;
                EXPECT_EQ(pixelAt(result.output, x, y).red, inside ? max : 0) << x << " " << y;
            }
        }
        // The pre-render data went away with the frame; nothing is left checked out.
        EXPECT_EQ(effect->problems(), "") << depth;
    }
    // The legacy render centres the base layer on the output as well.
    kvhost::RenderRequest request;
    request.input = imageOf(8, 4, 8, {0, 0, 0, 255});
    request.layers[kBaseLayerParam] = imageOf(4, 2, 8, {0, 0, 0, 255});
    const RenderResult legacy = effect->renderLegacy(request);
    ASSERT_EQ(legacy.result, PF_Err_NONE);
    EXPECT_EQ(pixelAt(legacy.output, 2, 1).red, 255);
    EXPECT_EQ(pixelAt(legacy.output, 1, 1).red, 0);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeRender, ThePreBlurReadsABlurredSource) {
    // Red plus the blurred alpha of a single opaque pixel in the middle: the tent of radius 1 in each
    // direction, 1.5 / (0.5 + 1.5 + 0.5) = 0.6 per axis at the centre, 0.2 next to it.
    RelativeEffect effect;
    RelativeCurveSet set = defaultCurves();
    set.curves[3] = polylineCurve({{0.0, 0.0}, {1.0, 1.0}});
    set.basedOn[3] = 6;
    set.changeBy[3] = 1;
    effect.setCurves(set);
    effect->setNumber(kPreBlurParam, 1.0);
    auto input = imageOf(5, 5, 32, {0, 0, 0, 0});
    input->setChannel(2, 2, 0, 1.0);
    const RenderResult result = effect.render(input);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_NEAR(pixelAt(result.output, 2, 2).red, 0.36, 2e-4);
    EXPECT_NEAR(pixelAt(result.output, 1, 2).red, 0.12, 2e-4);
    EXPECT_NEAR(pixelAt(result.output, 1, 1).red, 0.04, 2e-4);
    EXPECT_NEAR(pixelAt(result.output, 0, 0).red, 0.0, 2e-4);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeRender, TheHistogramLandsInTheSequenceDataWithTheRangeEndInTheLastBin) {
    RelativeEffect effect;
    auto sequence = RelativeEffect::newSequence();
    for (EditorState& state : sequence->states) {
        state.histogram = 1;
    }
    effect.setSequence(*sequence);
    // Brightness of 0, 0.5 and 1 in columns of 3, 2 and 1 pixels, two rows.
    auto input = imageOf(6, 2, 16, {0, 0, 0, 32768});
    for (int y = 0; y < 2; ++y) {
        for (int x = 3; x < 6; ++x) {
            for (int c = 1; c < 4; ++c) {
                input->setChannel(x, y, c, x == 5 ? 32768 : 16384);
            }
        }
    }
    ASSERT_EQ(effect.render(input).result, PF_Err_NONE);
    const auto stored = effect.sequence();
    EXPECT_EQ(stored->histogramMode, 1);
    EXPECT_EQ(stored->histogramPixels, 12);
    EXPECT_EQ(stored->histogramBins[0][0], 6);
    EXPECT_EQ(stored->histogramBins[0][1279], 4); // 0.5 x 2559 = 1279.5
    EXPECT_EQ(stored->histogramBins[0][2559], 2);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeRender, AnAbortReturns517AndLeavesTheHistogramsUntouched) {
    RelativeEffect effect;
    auto sequence = RelativeEffect::newSequence();
    for (EditorState& state : sequence->states) {
        state.histogram = 2;
    }
    effect.setSequence(*sequence);
    RelativeCurveSet set = defaultCurves();
    set.curves[7] = polylineCurve({{0.0, 0.0}, {1.0, 1.0}});
    set.changeFactor[7] = 3.0;
    effect.setCurves(set);
    effect->setNumber(kPreBlurParam, 2.0);
    ASSERT_EQ(effect.render(pattern(40, 30, 8)).result, PF_Err_NONE);
    const auto before = effect.sequence();
    ASSERT_EQ(before->histogramMode, 2);
    // The progress calls of a whole frame of the size aborted below, every pass on the host's thread.
    effect->setProcessorCount(1);
    std::int64_t calls = effect->progressCalls();
    ASSERT_EQ(effect.render(pattern(20, 10, 8)).result, PF_Err_NONE);
    calls = effect->progressCalls() - calls;
    ASSERT_EQ(effect.render(pattern(40, 30, 8)).result, PF_Err_NONE);
    ASSERT_GT(calls, 8);
    for (const std::int64_t after : {std::int64_t(0), std::int64_t(1), calls / 3, calls / 2, calls - 1}) {
        effect->abortAfterProgressCalls(effect->progressCalls() + after);
        const RenderResult result = effect.render(pattern(20, 10, 8));
        EXPECT_EQ(result.result, PF_Interrupt_CANCEL) << after;
        const auto now = effect.sequence();
        EXPECT_EQ(now->histogramPixels, before->histogramPixels) << after;
        EXPECT_EQ(now->histogramBins, before->histogramBins) << after;
        EXPECT_EQ(effect->problems(), "") << after;
    }
}

TEST(RelativeRender, AFailedAllocationReturnsOutOfMemoryAndLeaksNothing) {
    RelativeEffect effect;
    auto sequence = RelativeEffect::newSequence();
    sequence->states[0].histogram = 1;
    effect.setSequence(*sequence);
    RelativeCurveSet set = defaultCurves();
    set.curves[2] = polylineCurve({{0.0, 0.1}, {1.0, 0.3}});
    set.curves[7] = polylineCurve({{0.0, 0.0}, {1.0, 1.0}});
    set.changeFactor[7] = -2.0;
    effect.setCurves(set);
    effect->setNumber(kPreBlurParam, 1.5);
    for (const int depth : {8, 32}) {
        for (std::uint64_t nth = 1; nth <= 12; ++nth) {
            effect->memory().failAllocation(nth);
            const RenderResult result = effect.render(pattern(16, 9, depth), pattern(5, 5, depth));
            effect->memory().clearFailures();
            EXPECT_TRUE(result.result == PF_Err_OUT_OF_MEMORY || result.result == PF_Err_NONE)
                << depth << " " << nth << " " << result.result;
            EXPECT_EQ(effect->problems(), "") << depth << " " << nth;
        }
    }
    // The render asks for at least: tables, two pre-blur images, the post-blur images and the band counts.
    effect->memory().failAllocation(3);
    EXPECT_EQ(effect.render(pattern(16, 9, 8)).result, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeRender, AProjectSavedAndReopenedRendersTheSameBytes) {
    RelativeEffect first;
    RelativeCurveSet set = defaultCurves();
    set.curves[1] = polylineCurve({{0.0, 0.3}, {0.4, -0.2}, {1.0, 0.6}});
    set.basedOn[1] = 2;
    set.curves[1].loop = 1;
    recomputeHandles(set.curves[1], 0.0);
    set.changeBy[1] = 1;
    set.curves[0] = polylineCurve({{0.0, 0.1}, {1.0, -0.1}});
    set.basedOn[0] = 8 + 1;
    set.curves[7] = polylineCurve({{0.0, 1.0}, {1.0, 0.0}});
    set.changeFactor[7] = 1.75;
    first.setCurves(set);
    first->setNumber(kPreBlurParam, 0.8);
    first->setNumber(kChangeParam, 2);
    ASSERT_EQ(first->userChangedParam(kChangeParam), PF_Err_NONE);
    const auto input = pattern(33, 17, 16);
    const RenderResult before = first.render(input);
    ASSERT_EQ(before.result, PF_Err_NONE);
    const nlohmann::json project = kvhost::Project::save(first.instance());

    RelativeEffect second;
    kvhost::Project::load(second.instance(), project);
    const RenderResult after = second.render(input);
    ASSERT_EQ(after.result, PF_Err_NONE);
    EXPECT_EQ(after.output.pixelBytesPacked(), before.output.pixelBytesPacked());
    EXPECT_EQ(second.curves().basedOn[0], 9);
    EXPECT_EQ(first->problems(), "");
    EXPECT_EQ(second->problems(), "");
}

TEST(RelativeRender, RawSequenceDataOfAnyContentIsMadeSafe) {
    RelativeEffect effect;
    std::vector<std::uint8_t> raw(sizeof(EditorStateSet), 0);
    for (std::size_t i = 4; i < raw.size(); ++i) {
        raw[i] = std::uint8_t(i * 131 + 7);
    }
    ASSERT_EQ(effect->resetupSequence(raw), PF_Err_NONE);
    RelativeCurveSet set = defaultCurves();
    set.curves[4] = polylineCurve({{0.0, 0.2}, {1.0, 0.2}});
    effect.setCurves(set);
    for (const int show : {1, 2, 3, 4}) {
        effect->setNumber(kShowParam, show);
        EXPECT_EQ(effect.render(pattern(9, 5, 8)).result, PF_Err_NONE) << show;
    }
    EXPECT_EQ(effect->userChangedParam(kScaleParam), PF_Err_NONE);
    kvhost::EventRequest draw;
    EXPECT_EQ(effect->sendEvent(draw).result, PF_Err_NONE);
    EXPECT_EQ(effect->problems(), "");
}

} // namespace
} // namespace korvane::relativetest
