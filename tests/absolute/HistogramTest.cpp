// The histograms of a render, against counts made here pixel by pixel.
#include "tests/absolute/FilterRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace korvane::testing {
namespace {

constexpr int kBins = kHistogramBins;

using Counts = std::array<std::int32_t, kHistogramBins>;

void countInto(Counts& counts, double v, double low, double high) {
    if (v >= low && v <= high) {
        ++counts[std::size_t(std::floor((kBins - 1) * (v - low) / (high - low)))];
    }
}

// A 8-bit image of many colours, greys among them (every fifth pixel).
TestImage<Pixel8> colourful(std::int32_t width, std::int32_t height) {
    TestImage<Pixel8> image(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const double r = (x * 37 + y * 11) % 256;
            const double g = (x * 5 + y * 91) % 256;
            const double b = (x * 13 + y * 7 + 40) % 256;
            if ((x + y) % 5 == 0) {
                image.set(x, y, {r, r, r, 255});
            } else {
                image.set(x, y, {r, g, b, double((x + y) % 256)});
            }
        }
    }
    return image;
}

std::int64_t total(const Counts& counts) {
    std::int64_t sum = 0;
    for (const std::int32_t c : counts) {
        sum += c;
    }
    return sum;
}

TEST(Histogram, RgbModeCountsTheOutputChannels) {
    TestImage<Pixel8> input = colourful(61, 37);
    FilterSettings settings;
    settings.histogramMode = 2;
    settings.threads = 4;
    const auto out = runFilter(input, settings);
    ASSERT_EQ(out.status, 0);
    std::array<Counts, 3> expected{};
    for (std::int32_t y = 0; y < input.height; ++y) {
        for (std::int32_t x = 0; x < input.width; ++x) {
            const Rgba c = input.get(x, y);
            countInto(expected[0], c.red / 255.0, 0.0, 1.0);
            countInto(expected[1], c.green / 255.0, 0.0, 1.0);
            countInto(expected[2], c.blue / 255.0, 0.0, 1.0);
        }
    }
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(out.histograms[k], expected[k]) << "histogram " << k;
        EXPECT_EQ(total(out.histograms[k]), 61 * 37);
    }
}

TEST(Histogram, BandsAddUpToTheSameCountsAsOneThread) {
    TestImage<Pixel8> input = colourful(29, 53);
    FilterSettings settings;
    settings.histogramMode = 1;
    settings.histogramChannel = kChannelHue;
    settings.curves.curves[kChannelRgb] = makeCurve({{0.0, 0.1}, {1.0, 0.9}});
    const auto one = runFilter(input, settings);
    settings.threads = 7;
    const auto seven = runFilter(input, settings);
    ASSERT_EQ(seven.status, 0);
    EXPECT_EQ(one.histograms, seven.histograms);
    EXPECT_GT(total(one.histograms[0]), 0);
}

TEST(Histogram, ChannelModeCountsInputAndOutputSaturation) {
    // Saturation to 0: the input shows the colours' saturation, the output only grey.
    TestImage<Pixel8> input = colourful(40, 20);
    FilterSettings settings;
    settings.histogramMode = 1;
    settings.histogramChannel = kChannelSaturation;
    settings.curves.curves[kChannelSaturation] = makeCurve({{0.0, 0.0}, {1.0, 0.0}});
    const auto out = runFilter(input, settings);
    Counts expectedInput{};
    for (std::int32_t y = 0; y < input.height; ++y) {
        for (std::int32_t x = 0; x < input.width; ++x) {
            const Rgba c = input.get(x, y);
            const double mean = (c.red + c.green + c.blue) / 3.0;
            const double lowest = std::min({c.red, c.green, c.blue});
            // (mean - min) / mean; grey and black have none.
            countInto(expectedInput, mean > 0.0 ? (mean - lowest) / mean : 0.0, 0.0, 1.0);
        }
    }
    EXPECT_EQ(out.histograms[0], expectedInput);
    EXPECT_EQ(out.histograms[1][0], 40 * 20);
    EXPECT_EQ(total(out.histograms[1]), 40 * 20);
    EXPECT_EQ(total(out.histograms[2]), 0);
}

TEST(Histogram, HueLeavesGreyUncounted) {
    TestImage<Pixel8> input = colourful(25, 10);
    std::int64_t coloured = 0;
    for (std::int32_t y = 0; y < input.height; ++y) {
        for (std::int32_t x = 0; x < input.width; ++x) {
            const Rgba c = input.get(x, y);
            coloured += c.red == c.green && c.green == c.blue ? 0 : 1;
        }
    }
    FilterSettings settings;
    settings.histogramMode = 1;
    settings.histogramChannel = kChannelHue;
    const auto out = runFilter(input, settings);
    EXPECT_EQ(total(out.histograms[0]), coloured);
    EXPECT_EQ(total(out.histograms[1]), coloured);
}

TEST(Histogram, ChannelModeOnRedCountsTheVisibleRangeOnly) {
    TestImage<Pixel16> input(50, 3);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 50; ++x) {
            input.set(x, y, {x * 655.0 + y, 100, 200, 32768});
        }
    }
    FilterSettings settings;
    settings.histogramMode = 1;
    settings.histogramChannel = kChannelRed;
    settings.low = 0.25;
    settings.high = 0.75;
    const auto out = runFilter(input, settings);
    Counts expected{};
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 50; ++x) {
            countInto(expected, (x * 655.0 + y) / 32768.0, 0.25, 0.75);
        }
    }
    EXPECT_EQ(out.histograms[0], expected);
    EXPECT_EQ(out.histograms[1], expected);
    EXPECT_LT(total(expected), 150);
}

TEST(Histogram, FloatValuesAreCountedUndivided) {
    FilterSettings settings;
    settings.histogramMode = 1;
    settings.histogramChannel = kChannelAlpha;
    settings.low = -1.0;
    settings.high = 3.0;
    TestImage<PixelFloat> input({{0, 0, 0, -1.0}, {0, 0, 0, 3.0}, {0, 0, 0, 0.5}, {0, 0, 0, 7.0}});
    const auto out = runFilter(input, settings);
    Counts expected{};
    for (const double a : {-1.0, 3.0, 0.5}) {
        countInto(expected, a, -1.0, 3.0);
    }
    EXPECT_EQ(out.histograms[0], expected);
}

TEST(Histogram, ARangeThatDoesNotStartBelowItsEndCountsNothing) {
    TestImage<Pixel8> input = colourful(10, 10);
    for (const auto& [low, high] : {std::pair{0.5, 0.5}, std::pair{0.8, 0.2}, std::pair{-1e308, 1e308}}) {
        FilterSettings settings;
        settings.histogramMode = 2;
        settings.low = low;
        settings.high = high;
        const auto out = runFilter(input, settings);
        ASSERT_EQ(out.status, 0);
        for (const Counts& counts : out.histograms) {
            EXPECT_EQ(total(counts), 0) << low << " " << high;
        }
        // The image is rendered all the same.
        EXPECT_EQ(out.output.get(3, 4).red, input.get(3, 4).red);
    }
}

TEST(Histogram, ModeZeroCountsNothing) {
    TestImage<Pixel8> input = colourful(10, 10);
    FilterSettings settings;
    settings.curves.curves[kChannelSaturation] = makeCurve({{0.0, 0.0}, {1.0, 0.5}});
    const auto out = runFilter(input, settings);
    for (const Counts& counts : out.histograms) {
        EXPECT_EQ(total(counts), 0);
    }
}

} // namespace
} // namespace korvane::testing
