// The per-channel maps of the integer depths (channel curves only, no histogram): every input value of every
// channel against the pixel-by-pixel path, and each map reaching its own channel.
#include "tests/absolute/FilterRun.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace korvane::testing {
namespace {

// Different curves on every channel curve, so that a map applied to the wrong channel shows.
FilterSettings distinctChannelCurves() {
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] = makeCurve({{0.0, 0.02}, {0.3, 0.2}, {0.7, 0.85}, {1.0, 0.97}});
    settings.curves.curves[kChannelRed] = makeCurve({{0.0, 0.1}, {0.6, 0.4}, {1.0, 0.95}});
    settings.curves.curves[kChannelGreen] = makeCurve({{0.0, 0.0}, {0.4, 0.6}, {1.0, 1.0}});
    settings.curves.curves[kChannelBlue] = makeCurve({{0.0, 0.9}, {1.0, 0.05}});
    settings.curves.curves[kChannelAlpha] = makeCurve({{0.0, 0.0}, {0.5, 0.2}, {1.0, 0.7}});
    return settings;
}

// Every value 0..count - 1 in every channel, each channel in another order.
template <class Pixel>
TestImage<Pixel> everyValue(std::int32_t count, std::int32_t width) {
    TestImage<Pixel> image(width, count / width);
    using Value = typename Pixel::Value;
    for (std::int32_t i = 0; i < count; ++i) {
        Pixel& p = image.atIndex(std::size_t(i));
        p.red() = Value(i);
        p.green() = Value(count - 1 - i);
        p.blue() = Value((i * 7 + 3) % count);
        p.alpha() = Value((i * 91 + 11) % count);
    }
    return image;
}

// The render with maps (no histogram) and the render pixel by pixel (a histogram shown) store the same.
template <class Pixel>
void expectMapsMatchPixelwise(TestImage<Pixel>& input, FilterSettings settings, std::int32_t threads) {
    for (const bool invert : {false, true}) {
        settings.invert = invert;
        settings.histogramMode = 0;
        FilterHost mapped(threads);
        const auto byMaps = runFilter(input, settings, mapped);
        settings.histogramMode = 2;
        FilterHost pixelwise(threads);
        const auto byPixels = runFilter(input, settings, pixelwise);
        ASSERT_EQ(byMaps.status, 0);
        ASSERT_EQ(byPixels.status, 0);
        for (std::size_t i = 0; i < input.pixelCount(); ++i) {
            for (int c = 0; c < 4; ++c) {
                ASSERT_EQ(byMaps.output.atIndex(i).channel[c], byPixels.output.atIndex(i).channel[c])
                    << "pixel " << i << " channel " << c << " invert " << invert;
            }
        }
    }
}

TEST(ChannelMaps, EveryEightBitValueMatchesThePixelByPixelPath) {
    TestImage<Pixel8> input = everyValue<Pixel8>(256, 64);
    expectMapsMatchPixelwise(input, distinctChannelCurves(), 1);
    expectMapsMatchPixelwise(input, distinctChannelCurves(), 3);
}

TEST(ChannelMaps, EverySixteenBitValueAboveWhiteIncludedMatchesThePixelByPixelPath) {
    TestImage<Pixel16> input = everyValue<Pixel16>(65536, 256);
    expectMapsMatchPixelwise(input, distinctChannelCurves(), 2);
}

// An inverting line (1 at 0, 0 at 1) on one channel: that channel becomes max - v, the others stay.
template <class Pixel>
void expectInvertedChannelOnly(int channel, std::int32_t curve) {
    constexpr std::int32_t kMax = Pixel::kMaxValue;
    TestImage<Pixel> input = everyValue<Pixel>(kMax + 1, kMax + 1);
    FilterSettings settings;
    settings.curves.curves[std::size_t(curve)] = makeCurve({{0.0, 1.0}, {1.0, 0.0}}, HandleMode::Linear);
    const auto result = runFilter(input, settings);
    ASSERT_EQ(result.status, 0);
    for (std::size_t i = 0; i < input.pixelCount(); ++i) {
        for (int c = 0; c < 4; ++c) {
            const std::int32_t in = input.atIndex(i).channel[c];
            const std::int32_t expected = c == channel ? kMax - in : in;
            // The handle rule bends the line by far less than one 8-bit step, but up to one 16-bit step.
            const std::int32_t tolerance = c == channel && kMax > 255 ? 1 : 0;
            ASSERT_NEAR(std::int32_t(result.output.atIndex(i).channel[c]), expected, tolerance)
                << "pixel " << i << " channel " << c << " curve " << curve;
        }
    }
}

TEST(ChannelMaps, EachChannelCurveReachesItsOwnChannelOnly) {
    expectInvertedChannelOnly<Pixel8>(Pixel8::kRed, kChannelRed);
    expectInvertedChannelOnly<Pixel8>(Pixel8::kGreen, kChannelGreen);
    expectInvertedChannelOnly<Pixel8>(Pixel8::kBlue, kChannelBlue);
    expectInvertedChannelOnly<Pixel8>(Pixel8::kAlpha, kChannelAlpha);
    expectInvertedChannelOnly<Pixel16>(Pixel16::kRed, kChannelRed);
    expectInvertedChannelOnly<Pixel16>(Pixel16::kAlpha, kChannelAlpha);
}

TEST(ChannelMaps, SixteenBitValuesAboveWhiteReadWhitesEntry) {
    FilterSettings settings;
    settings.curves.curves[kChannelGreen] = makeCurve({{0.0, 1.0}, {1.0, 0.0}}, HandleMode::Linear);
    TestImage<Pixel16> input(4, 1);
    const std::uint16_t values[] = {32768, 32769, 40000, 65535};
    for (std::int32_t x = 0; x < 4; ++x) {
        input.at(x, 0).green() = values[x];
        input.at(x, 0).red() = values[x];
    }
    const auto result = runFilter(input, settings);
    ASSERT_EQ(result.status, 0);
    for (std::int32_t x = 0; x < 4; ++x) {
        // White inverted is 0; red has no curve and is stored as white, as every store clamps to the range.
        EXPECT_EQ(result.output.atIndex(std::size_t(x)).green(), 0) << values[x];
        EXPECT_EQ(result.output.atIndex(std::size_t(x)).red(), 32768) << values[x];
    }
}

} // namespace
} // namespace korvane::testing
