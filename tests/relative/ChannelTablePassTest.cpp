// The 8-bit channel table pass (only red, green, blue and alpha changed, no histogram) against the run steps
// pixel by pixel (the same render with a result histogram, which the pass does not serve): every store equal,
// on random pixels and on the values where table entries change.
#include "relative/RelativeProperties.h"
#include "tests/relative/RelativeRun.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace korvane::testing {
namespace {

using namespace relative;

// Random channels, then the adversarial ones: 0 and 255, greys, and colours whose channel sums lie on and
// beside every brightness entry boundary (3j - 1, 3j, 3j + 1).
TestImage<Pixel8> adversarialPixels(std::int32_t width) {
    std::vector<Rgba> colours;
    std::mt19937 random(29);
    std::uniform_int_distribution<int> value(0, 255);
    for (int i = 0; i < 3000; ++i) {
        colours.push_back(
            {double(value(random)), double(value(random)), double(value(random)), double(value(random))});
    }
    for (const double a : {0.0, 255.0, 128.0}) {
        for (const double c : {0.0, 1.0, 254.0, 255.0}) {
            colours.push_back({c, c, c, a});
            colours.push_back({255.0 - c, c, 0.0, a});
            colours.push_back({c, 0.0, 255.0, a});
        }
    }
    for (int j = 0; j <= 255; ++j) {
        for (int sum = 3 * j - 1; sum <= 3 * j + 1; ++sum) {
            if (sum < 0 || sum > 765) {
                continue;
            }
            const int red = std::min(sum, 255);
            const int green = std::min(sum - red, 255);
            colours.push_back({double(red), double(green), double(sum - red - green), double(j)});
            // Near-grey: two equal channels and the rest in the third, each within 0..255.
            const int equal = sum - 2 * (sum / 3) > 255 ? sum / 3 + 1 : sum / 3;
            colours.push_back({double(equal), double(equal), double(sum - 2 * equal), 255.0});
        }
    }
    const auto height = std::int32_t((colours.size() + std::size_t(width) - 1) / std::size_t(width));
    TestImage<Pixel8> image(width, height);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        image.set(std::int32_t(i % std::size_t(width)), std::int32_t(i / std::size_t(width)), colours[i]);
    }
    return image;
}

// The render with the pass against the render of the run steps; both statuses noError.
void expectPassMatchesRunSteps(const RelativeCurveSet& set, TestImage<Pixel8>& input,
                               TestImage<Pixel8>* source = nullptr) {
    FilterHost host(1);
    TestImage<Pixel8> byPass(input.width, input.height, kRowPadding, input.originX, input.originY);
    ASSERT_EQ(runFilter(host, set, input, byPass, {}, nullptr, source), 0);
    RenderSettings counting;
    counting.histogramMode = kHistogramResult;
    HistogramArrays histograms{};
    TestImage<Pixel8> bySteps(input.width, input.height, kRowPadding, input.originX, input.originY);
    ASSERT_EQ(runFilter(host, set, input, bySteps, counting, &histograms, source), 0);
    for (std::int32_t y = 0; y < input.height; ++y) {
        for (std::int32_t x = 0; x < input.width; ++x) {
            for (int c = 0; c < 4; ++c) {
                ASSERT_EQ(byPass.at(x, y).channel[c], bySteps.at(x, y).channel[c])
                    << "pixel " << x << "," << y << " channel " << c << " input "
                    << int(input.at(x, y).channel[c]);
            }
        }
    }
    EXPECT_TRUE(byPass.paddingIntact());
}

// Every channel changed, each read from another pixel property, with curves that cross 0 and factors that
// push values past 0 and 255.
RelativeCurveSet everyChannelSet(bool addition) {
    RelativeCurveSet set = defaultSet();
    const std::array<std::pair<int, int>, 4> channels{
        {{kRed, kBrightness}, {kGreen, kSaturation}, {kBlue, kHue}, {kAlpha, kRed}}};
    for (const auto& [k, basedOn] : channels) {
        set.curves[std::size_t(k)] = curveThrough({{0.0, 0.4}, {0.3, -0.2}, {0.7, 0.35}, {1.0, -0.6}});
        set.basedOn[std::size_t(k)] = basedOn;
        set.changeBy[std::size_t(k)] = addition ? kAddition : 0;
        set.changeFactor[std::size_t(k)] = 1.7;
    }
    return set;
}

TEST(ChannelTablePass, EveryChannelFromEveryKindOfPropertyStoresWhatTheRunStepsStore) {
    TestImage<Pixel8> input = adversarialPixels(97);
    for (const bool addition : {false, true}) {
        SCOPED_TRACE(addition ? "addition" : "multiplication");
        expectPassMatchesRunSteps(everyChannelSet(addition), input);
    }
    // Channels read from green, blue and alpha; one channel only, as the common grade has it.
    RelativeCurveSet set = everyChannelSet(false);
    set.basedOn[kRed] = kGreen;
    set.basedOn[kGreen] = kBlue;
    set.basedOn[kBlue] = kAlpha;
    expectPassMatchesRunSteps(set, input);
    RelativeCurveSet one = defaultSet();
    one.curves[kRed] = curveThrough({{0.0, 0.3}, {0.4, 0.05}, {1.0, 0.0}});
    one.basedOn[kRed] = kBrightness;
    expectPassMatchesRunSteps(one, input);
}

TEST(ChannelTablePass, OneChannelFromEachPropertyStoresWhatTheRunStepsStore) {
    TestImage<Pixel8> input = adversarialPixels(64);
    for (const int k : {kRed, kGreen, kBlue, kAlpha}) {
        for (int basedOn = 0; basedOn < kSourceCount; ++basedOn) {
            SCOPED_TRACE(::testing::Message() << "property " << k << " based on " << basedOn);
            RelativeCurveSet set = defaultSet();
            set.curves[std::size_t(k)] = curveThrough({{0.0, 0.5}, {0.35, -0.3}, {0.8, 0.2}, {1.0, -0.9}});
            set.basedOn[std::size_t(k)] = basedOn;
            set.changeFactor[std::size_t(k)] = 1.3;
            expectPassMatchesRunSteps(set, input);
        }
    }
}

TEST(ChannelTablePass, EveryValueUnderEveryTableEntryStoresWhatTheRunStepsStore) {
    // Pixel (x, y): red and green x, blue and alpha y; each channel reads its entry from a channel of the
    // other kind, so the image holds every (entry, value) pair of every channel's table.
    TestImage<Pixel8> input(256, 256);
    for (std::int32_t y = 0; y < 256; ++y) {
        for (std::int32_t x = 0; x < 256; ++x) {
            input.set(x, y, {double(x), double(x), double(y), double(y)});
        }
    }
    for (const bool addition : {false, true}) {
        SCOPED_TRACE(addition ? "addition" : "multiplication");
        RelativeCurveSet set = everyChannelSet(addition);
        set.basedOn[kRed] = kAlpha;
        set.basedOn[kGreen] = kBlue;
        set.basedOn[kBlue] = kGreen;
        set.basedOn[kAlpha] = kRed;
        expectPassMatchesRunSteps(set, input);
    }
}

TEST(ChannelTablePass, ABaseLayerOfAnotherRectangleIsReadAsTheRunStepsReadIt) {
    TestImage<Pixel8> input = adversarialPixels(150);
    // Starts inside the input and ends beyond it on both axes: transparent black around it.
    TestImage<Pixel8> base = adversarialPixels(150);
    base.originX = 40;
    base.originY = 3;
    expectPassMatchesRunSteps(everyChannelSet(true), input, &base);
    RelativeCurveSet one = defaultSet();
    one.curves[kGreen] = curveThrough({{0.0, 0.3}, {0.4, 0.05}, {1.0, -0.2}});
    one.basedOn[kGreen] = kBrightness;
    expectPassMatchesRunSteps(one, input, &base);
    one.basedOn[kGreen] = kAlpha;
    expectPassMatchesRunSteps(one, input, &base);
}

} // namespace
} // namespace korvane::testing
