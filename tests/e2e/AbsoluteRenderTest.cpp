// Whole renders of the Absolute effect through the host: pixels against values worked out here, the
// histograms the render leaves in the sequence data, abort and out of memory, and a project that reopens.
#include "tests/e2e/AbsoluteEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace korvane::testing {
namespace {

using kvhost::HostImage;
using kvhost::RenderRequest;
using kvhost::RenderResult;

// Channel values as the test writes them (alpha, red, green, blue in the host's order).
struct Colour {
    double red;
    double green;
    double blue;
    double alpha;
};

std::shared_ptr<HostImage> imageOf(const std::vector<Colour>& row, int depth) {
    auto image = std::make_shared<HostImage>(int(row.size()), 1, depth);
    for (std::size_t x = 0; x < row.size(); ++x) {
        image->setChannel(int(x), 0, 0, row[x].alpha);
        image->setChannel(int(x), 0, 1, row[x].red);
        image->setChannel(int(x), 0, 2, row[x].green);
        image->setChannel(int(x), 0, 3, row[x].blue);
    }
    return image;
}

// Every channel of every pixel different, alpha included.
std::shared_ptr<HostImage> pattern(int width, int height, int depth) {
    auto image = std::make_shared<HostImage>(width, height, depth);
    const double max = depth == 32 ? 1.0 : HostImage::maxValue(depth);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 4; ++c) {
                image->setChannel(x, y, c, double((x * 7 + y * 13 + c * 5) % 64) / 63.0 * max);
            }
        }
    }
    return image;
}

Colour pixelAt(const HostImage& image, int x, int y = 0) {
    return {image.channel(x, y, 1), image.channel(x, y, 2), image.channel(x, y, 3), image.channel(x, y, 0)};
}

RenderResult render(AbsoluteEffect& effect, std::shared_ptr<HostImage> input) {
    RenderRequest request;
    request.input = std::move(input);
    return effect->renderSmart(request);
}

TEST(AbsoluteRender, DefaultCurvesLeaveALargeImageUnchangedAtEveryDepth) {
    for (const int depth : {8, 16, 32}) {
        AbsoluteEffect effect;
        const auto input = pattern(301, 67, depth);
        const RenderResult result = render(effect, input);
        ASSERT_EQ(result.result, PF_Err_NONE) << depth;
        EXPECT_EQ(result.output.pixelBytesPacked(), input->pixelBytesPacked()) << depth;
        EXPECT_TRUE(result.output.paddingIntact()) << depth;
        EXPECT_EQ(effect->problems(), "") << depth;
    }
}

TEST(AbsoluteRender, DefaultCurvesFromAProjectStillLeaveTheImageUnchanged) {
    // The value read back from its text has its handles rounded to six digits: still the defaults.
    for (const int depth : {8, 16, 32}) {
        AbsoluteEffect effect;
        effect.setCurves(defaultCurves());
        effect->setArbitraryFlat(kCurveParam, effect->arbitraryFlat(kCurveParam));
        const auto input = pattern(45, 13, depth);
        const RenderResult result = render(effect, input);
        ASSERT_EQ(result.result, PF_Err_NONE) << depth;
        EXPECT_EQ(result.output.pixelBytesPacked(), input->pixelBytesPacked()) << depth;
        EXPECT_EQ(effect->problems(), "") << depth;
    }
}

TEST(AbsoluteRender, InvertAllWithDefaultCurvesTurnsNearBlackToBlack) {
    for (const int depth : {8, 16}) {
        AbsoluteEffect effect;
        effect->setNumber(kInvertParam, 1);
        // Means 2/3 and 1/3 read brightness entry 0, which is black.
        const double step = depth == 8 ? 1.0 : 32768.0 / 255.0;
        const RenderResult result = render(
            effect,
            imageOf({{0, 0, 2, 255}, {1, 0, 0, 100}, {100 * step, 150 * step, 200 * step, 255}}, depth));
        ASSERT_EQ(result.result, PF_Err_NONE);
        for (const int x : {0, 1}) {
            const Colour black = pixelAt(result.output, x);
            EXPECT_EQ(black.red + black.green + black.blue, 0) << depth;
        }
        // Elsewhere the inverted identities are near-identities; the 8-bit hue table moves a colour by a
        // step or two at most.
        const Colour mid = pixelAt(result.output, 2);
        EXPECT_NEAR(mid.red, 100 * step, 3.0 * step) << depth;
        EXPECT_NEAR(mid.green, 150 * step, 3.0 * step) << depth;
        EXPECT_NEAR(mid.blue, 200 * step, 3.0 * step) << depth;
        EXPECT_EQ(effect->problems(), "");
    }
}

TEST(AbsoluteRender, EachStepAloneOnAFewPixels) {
    AbsoluteEffect effect;
    AbsoluteCurveSet set = defaultCurves();
    set.curves[1] = makeCurve({{0.0, 0.0}, {1.0, 0.0}});
    effect.setCurves(set);
    Colour grey = pixelAt(render(effect, imageOf({{200, 100, 30, 9}}, 8)).output, 0);
    EXPECT_EQ(grey.red, 110);
    EXPECT_EQ(grey.green, 110);
    EXPECT_EQ(grey.blue, 110);
    EXPECT_EQ(grey.alpha, 9);

    set = defaultCurves();
    set.curves[0] = makeCurve({{0.0, 0.2}, {1.0, 1.0}});
    effect.setCurves(set);
    const RenderResult lifted = render(effect, imageOf({{0, 0, 0, 255}, {30, 60, 90, 255}}, 8));
    EXPECT_EQ(pixelAt(lifted.output, 0).red, 0);
    EXPECT_EQ(pixelAt(lifted.output, 0).blue, 0);
    // Mean 60 becomes 0.2 x 255 + 0.8 x 60 = 99.
    EXPECT_NEAR(pixelAt(lifted.output, 1).blue, 90 * 99.0 / 60.0, 1.0);

    set = defaultCurves();
    const auto sCurve = {std::pair{0.0, 0.0}, std::pair{0.25, 0.1}, std::pair{0.75, 0.9},
                         std::pair{1.0, 1.0}};
    set.curves[3] = makeCurve(sCurve, HandleMode::Linear);
    effect.setCurves(set);
    const Colour s = pixelAt(render(effect, imageOf({{32, 128, 230, 40}}, 8)).output, 0);
    EXPECT_NEAR(s.red, polyline(sCurve, 32 / 255.0) * 255.0, 1.5);
    EXPECT_NEAR(s.green, polyline(sCurve, 128 / 255.0) * 255.0, 1.5);
    EXPECT_NEAR(s.blue, polyline(sCurve, 230 / 255.0) * 255.0, 1.5);
    EXPECT_EQ(s.alpha, 40);

    // Half a turn of the hue circle: the colour's opposite about its grey, (2m - c) for each channel.
    set = defaultCurves();
    set.curves[2] = makeCurve({{0.5, 1.0}}, HandleMode::Smooth, true);
    effect.setCurves(set);
    const Colour hue = pixelAt(render(effect, imageOf({{0.5, 0.3, 0.1, 1.0}}, 32)).output, 0);
    EXPECT_NEAR(hue.red, 0.1, 1e-3);
    EXPECT_NEAR(hue.green, 0.3, 1e-3);
    EXPECT_NEAR(hue.blue, 0.5, 1e-3);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteRender, SixteenBitWhiteAndAboveReadTheLastEntry) {
    AbsoluteEffect effect;
    AbsoluteCurveSet set = defaultCurves();
    set.curves[3] = makeCurve({{0.0, 0.0}, {0.99, 0.0}, {1.0, 1.0}}, HandleMode::Linear);
    effect.setCurves(set);
    auto input = std::make_shared<HostImage>(3, 1, 16);
    input->at<PF_Pixel16>(0, 0) = PF_Pixel16{32768, 32768, 40000, 65535};
    input->at<PF_Pixel16>(1, 0) = PF_Pixel16{32768, 32767, 0, 16384};
    const RenderResult result = render(effect, input);
    ASSERT_EQ(result.result, PF_Err_NONE);
    EXPECT_EQ(result.output.at<PF_Pixel16>(0, 0).red, 32768);
    EXPECT_EQ(result.output.at<PF_Pixel16>(0, 0).green, 32768);
    EXPECT_EQ(result.output.at<PF_Pixel16>(0, 0).blue, 32768);
    EXPECT_LT(result.output.at<PF_Pixel16>(1, 0).red, 32700);
    EXPECT_EQ(result.output.at<PF_Pixel16>(1, 0).blue, 0);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteRender, FloatAboveOneFollowsTheCurvesContinuation) {
    AbsoluteEffect effect;
    AbsoluteCurveSet set = defaultCurves();
    set.curves[4] = makeCurve({{0.0, 0.0}, {1.0, 0.5}});
    effect.setCurves(set);
    const Colour out = pixelAt(render(effect, imageOf({{3.0, 2.0, -0.5, 1.5}}, 32)).output, 0);
    EXPECT_NEAR(out.red, 1.5, 1e-3);
    EXPECT_EQ(out.green, 2.0);
    EXPECT_EQ(out.blue, -0.5);
    EXPECT_EQ(out.alpha, 1.5);
    EXPECT_EQ(effect->problems(), "");
}

using Counts = std::array<std::int32_t, kHistogramBins>;

void countInto(Counts& counts, double v) {
    if (v >= 0.0 && v <= 1.0) {
        ++counts[std::size_t(std::floor((kHistogramBins - 1) * v))];
    }
}

// Histogram settings in the first editor state, while the editor shows `current`.
void showHistogram(AbsoluteEffect& effect, int mode, int current) {
    auto states = AbsoluteEffect::newSequence();
    states->current = current;
    states->states[0].histogram = mode;
    effect.setSequence(*states);
}

TEST(AbsoluteRender, RgbHistogramsCountTheOutputAndReachTheSequenceData) {
    AbsoluteEffect effect;
    showHistogram(effect, 2, 4);
    const auto input = pattern(97, 31, 8);
    ASSERT_EQ(render(effect, input).result, PF_Err_NONE);
    const auto states = effect.sequence();
    EXPECT_EQ(states->histogramMode, 2);
    EXPECT_EQ(states->histogramPixels, 97 * 31);
    std::array<Counts, 3> expected{};
    for (int y = 0; y < 31; ++y) {
        for (int x = 0; x < 97; ++x) {
            for (int c = 0; c < 3; ++c) {
                countInto(expected[std::size_t(c)], input->channel(x, y, c + 1) / 255.0);
            }
        }
    }
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(states->histogramBins[k], expected[k]) << k;
    }
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteRender, ChannelHistogramCountsTheChosenChannelInAndOut) {
    AbsoluteEffect effect;
    showHistogram(effect, 1, 4);
    effect->setNumber(kChannelParam, 5); // red
    AbsoluteCurveSet set = defaultCurves();
    set.curves[4] = makeCurve({{0.0, 0.0}, {1.0, 0.0}}); // red to 0
    effect.setCurves(set);
    const auto input = pattern(40, 9, 16);
    ASSERT_EQ(render(effect, input).result, PF_Err_NONE);
    const auto states = effect.sequence();
    EXPECT_EQ(states->histogramMode, 1);
    Counts expectedInput{};
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 40; ++x) {
            countInto(expectedInput, input->channel(x, y, 1) / 32768.0);
        }
    }
    EXPECT_EQ(states->histogramBins[0], expectedInput);
    EXPECT_EQ(states->histogramBins[1][0], 40 * 9);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteRender, AnAbortReturns517AndLeavesTheHistogramsAsTheyWere) {
    AbsoluteEffect effect;
    // One processor: every band runs on the thread that talks to the host, so the abort is seen at a row.
    effect->setProcessorCount(1);
    showHistogram(effect, 2, 3);
    ASSERT_EQ(render(effect, pattern(50, 40, 8)).result, PF_Err_NONE);
    const auto before = effect.sequence();

    effect->abortAfterProgressCalls(effect->progressCalls() + 3);
    const RenderResult aborted = render(effect, pattern(20, 60, 8));
    EXPECT_EQ(aborted.result, PF_Interrupt_CANCEL);
    const auto after = effect.sequence();
    EXPECT_EQ(after->histogramMode, 2);
    EXPECT_EQ(after->histogramPixels, 50 * 40);
    EXPECT_EQ(after->histogramBins, before->histogramBins);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteRender, AnAbortWhileSamplingTheCurvesReturns517) {
    AbsoluteEffect effect;
    AbsoluteCurveSet set = defaultCurves();
    set.curves[3] = makeCurve({{0.0, 0.1}, {1.0, 0.9}});
    effect.setCurves(set);
    // A 16-bit table asks 33 times while it is sampled; the first answer already stops it.
    effect->abortAfterProgressCalls(effect->progressCalls());
    EXPECT_EQ(render(effect, pattern(8, 8, 16)).result, PF_Interrupt_CANCEL);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteRender, AnAllocationThatFailsReturnsOutOfMemory) {
    AbsoluteEffect effect;
    AbsoluteCurveSet set = defaultCurves();
    set.curves[3] = makeCurve({{0.0, 0.1}, {1.0, 0.9}});
    effect.setCurves(set);
    effect->memory().failAllocationsAfter(0);
    EXPECT_EQ(render(effect, pattern(10, 10, 16)).result, PF_Err_OUT_OF_MEMORY);
    effect->memory().clearFailures();
    EXPECT_EQ(effect->problems(), "");
    EXPECT_EQ(render(effect, pattern(10, 10, 16)).result, PF_Err_NONE);
}

TEST(AbsoluteRender, WithoutSequenceDataNothingIsRendered) {
    AbsoluteEffect effect;
    ASSERT_EQ(effect->sequenceSetdown(), PF_Err_NONE);
    EXPECT_EQ(render(effect, pattern(4, 4, 8)).result, PF_Err_INTERNAL_STRUCT_DAMAGED);
    // The three parameters went back and the curve value was unlocked.
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteRender, TheLegacyRenderGivesTheSameResultAsTheSmartRender) {
    AbsoluteEffect effect;
    AbsoluteCurveSet set = defaultCurves();
    set.curves[1] = makeCurve({{0.0, 0.0}, {1.0, 0.6}});
    set.curves[5] = makeCurve({{0.0, 0.2}, {1.0, 0.7}});
    effect.setCurves(set);
    RenderRequest request;
    request.input = pattern(33, 17, 16);
    const RenderResult smart = effect->renderSmart(request);
    const RenderResult legacy = effect->renderLegacy(request);
    ASSERT_EQ(legacy.result, PF_Err_NONE);
    EXPECT_EQ(legacy.output.pixelBytesPacked(), smart.output.pixelBytesPacked());
    EXPECT_NE(smart.output.pixelBytesPacked(), request.input->pixelBytesPacked());
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteRender, AReopenedProjectRendersTheSameBytesAndShowsNoHistogramUntilTheNextRender) {
    AbsoluteEffect saved;
    AbsoluteCurveSet set = defaultCurves();
    set.curves[0] = makeCurve({{0.0, 0.05}, {0.4, 0.6}, {1.0, 0.95}});
    set.curves[2] = makeCurve({{0.3, 0.45}}, HandleMode::Smooth, true);
    set.curves[6] = makeCurve({{0.0, 0.0}, {0.5, 0.3}, {1.0, 1.0}}, HandleMode::Linear);
    // The value as a project holds it: already rounded to six digits, so reading it back is exact.
    saved.setCurves(set);
    saved->setNumber(kInvertParam, 1);
    showHistogram(saved, 1, 2);
    const auto input = pattern(64, 24, 8);
    const RenderResult first = render(saved, input);
    ASSERT_EQ(first.result, PF_Err_NONE);
    const auto savedStates = saved.sequence();
    ASSERT_EQ(savedStates->histogramMode, 1);

    const std::vector<std::uint8_t> curveFlat = saved->arbitraryFlat(kCurveParam);
    const std::vector<std::uint8_t> sequenceFlat = saved->flattenSequence();
    ASSERT_FALSE(sequenceFlat.empty());
    EXPECT_NE(sequenceFlat[0], 0);
    EXPECT_EQ(saved->problems(), "");

    AbsoluteEffect reopened;
    reopened->setArbitraryFlat(kCurveParam, curveFlat);
    reopened->setNumber(kInvertParam, 1);
    ASSERT_EQ(reopened->resetupSequence(sequenceFlat), PF_Err_NONE);
    const auto states = reopened.sequence();
    EXPECT_EQ(states->histogramMode, 0);
    EXPECT_EQ(states->current, 2);
    EXPECT_EQ(states->states[0].histogram, 1);
    const RenderResult second = render(reopened, input);
    ASSERT_EQ(second.result, PF_Err_NONE);
    EXPECT_EQ(second.output.pixelBytesPacked(), first.output.pixelBytesPacked());
    EXPECT_EQ(reopened.sequence()->histogramMode, 1);
    EXPECT_EQ(reopened.sequence()->histogramBins, savedStates->histogramBins);
    EXPECT_EQ(reopened->problems(), "");
}

// Red along x, green along y, blue across: 65536 colours over the whole range of the depth.
std::shared_ptr<HostImage> colourField(int depth) {
    auto image = std::make_shared<HostImage>(256, 256, depth);
    const double max = HostImage::maxValue(depth);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            image->setChannel(x, y, 0, max);
            image->setChannel(x, y, 1, std::floor(x / 255.0 * max));
            image->setChannel(x, y, 2, std::floor(y / 255.0 * max));
            image->setChannel(x, y, 3, std::floor(((x * 37 + y * 11) % 256) / 255.0 * max));
        }
    }
    return image;
}

TEST(AbsoluteRender, CurvesLeftAtTheirDefaultsRenderTheSameBytesWhenTheProjectReopens) {
    // Only the rgb curve is given, with short handles: the others stay the exact defaults the effect makes.
    // A project writes them with six digits; under "invert all" they must still make the same tables.
    const std::string rgb = "version 0\nloop 0\n"
                            "point 0 0 0.05 -0.05 0.05 0.05 1 2 2\n"
                            "point 0.25 0.4 0.05 -0.05 0.05 0.05 1 2 2\n"
                            "point 1 1 0.05 -0.05 0.05 0.05 1 2 2\n";
    const std::string given = "version 0\ncurve_rgb " + std::to_string(rgb.size()) + "\n" + rgb;
    for (const int depth : {8, 16}) {
        for (const bool invert : {false, true}) {
            AbsoluteEffect saved;
            saved->setArbitraryFlat(kCurveParam, flatText(given));
            saved->setNumber(kInvertParam, invert ? 1 : 0);
            const auto input = colourField(depth);
            const RenderResult first = render(saved, input);
            ASSERT_EQ(first.result, PF_Err_NONE);

            AbsoluteEffect reopened;
            reopened->setArbitraryFlat(kCurveParam, saved->arbitraryFlat(kCurveParam));
            reopened->setNumber(kInvertParam, invert ? 1 : 0);
            const RenderResult second = render(reopened, input);
            ASSERT_EQ(second.result, PF_Err_NONE);
            EXPECT_EQ(second.output.pixelBytesPacked(), first.output.pixelBytesPacked())
                << depth << " bits, invert all " << invert;
            EXPECT_EQ(saved->problems() + reopened->problems(), "");
        }
    }
}

} // namespace
} // namespace korvane::testing
