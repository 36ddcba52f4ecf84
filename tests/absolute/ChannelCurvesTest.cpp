// The channel curves (rgb, red, green, blue, alpha): table lookups at the integer depths, the curve itself at
// float depth, and which curves take part at all.
#include "tests/absolute/FilterRun.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvane::testing {
namespace {

// The handle rule's 0.0001 offsets bend a Linear polyline by far less than this, in units of 0..1.
constexpr double kPolylineTolerance = 1e-3;
// One step of an integer depth: the table value may land either side of a half.
constexpr double kOneStep = 1.0;

TEST(ChannelCurves, DefaultCurvesLeaveEveryDepthUnchangedAndSampleNothing) {
    const std::vector<Rgba> row8{{0, 0, 0, 0}, {255, 128, 3, 17}, {91, 200, 255, 255}};
    FilterHost host;
    TestImage<Pixel8> input8(row8);
    const auto out8 = runFilter(input8, FilterSettings{}, host);
    ASSERT_EQ(out8.status, 0);
    EXPECT_EQ(out8.output.pixelCount(), input8.pixelCount());
    for (std::int32_t x = 0; x < input8.width; ++x) {
        const Rgba a = input8.get(x, 0);
        const Rgba b = out8.output.get(x, 0);
        EXPECT_EQ(a.red, b.red);
        EXPECT_EQ(a.green, b.green);
        EXPECT_EQ(a.blue, b.blue);
        EXPECT_EQ(a.alpha, b.alpha);
    }
    // Curves at their default cost nothing: no table is sampled (sampling reports progress from entry 0 on),
    // the one row reports once.
    EXPECT_EQ(host.progressCalls(), 1);
    for (bool enabled : out8.enabled) {
        EXPECT_FALSE(enabled);
    }

    TestImage<PixelFloat> inputFloat({{-0.25, 1.5, 0.3, 0.7}, {0.1f, 0.2f, 0.3f, 1.0}});
    const auto outFloat = runFilter(inputFloat, FilterSettings{});
    for (std::int32_t x = 0; x < inputFloat.width; ++x) {
        EXPECT_EQ(outFloat.output.get(x, 0).red, inputFloat.get(x, 0).red);
        EXPECT_EQ(outFloat.output.get(x, 0).green, inputFloat.get(x, 0).green);
        EXPECT_EQ(outFloat.output.get(x, 0).blue, inputFloat.get(x, 0).blue);
    }
}

TEST(ChannelCurves, ACurveWithTheDefaultsNodesInOtherSlotsStaysOff) {
    FilterSettings settings;
    Curve& rgb = settings.curves.curves[kChannelRgb];
    std::swap(rgb.nodes[0], rgb.nodes[7]);
    TestImage<Pixel8> input({{10, 20, 30, 40}});
    EXPECT_FALSE(runFilter(input, settings).enabled[kChannelRgb]);
}

TEST(ChannelCurves, RgbSCurveAt8BitsReadsTheTableAtEachValue) {
    const auto points = {std::pair{0.0, 0.0}, std::pair{0.25, 0.1}, std::pair{0.75, 0.9},
                         std::pair{1.0, 1.0}};
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] = makeCurve(points, HandleMode::Linear);
    const std::vector<Rgba> row{{0, 32, 64, 255}, {100, 191, 255, 9}};
    const auto out = filterRow<Pixel8>(row, settings);
    for (std::size_t i = 0; i < row.size(); ++i) {
        for (const auto& [in, got] :
             {std::pair{row[i].red, out[i].red}, std::pair{row[i].green, out[i].green},
              std::pair{row[i].blue, out[i].blue}}) {
            const double expected = polyline(points, in / 255.0) * 255.0;
            EXPECT_NEAR(got, expected, kOneStep + kPolylineTolerance * 255.0) << "input " << in;
        }
        // The rgb curve leaves alpha alone.
        EXPECT_EQ(out[i].alpha, row[i].alpha);
    }
}

TEST(ChannelCurves, EachSingleChannelCurveActsOnItsOwnChannel) {
    // Halving curves, so that each channel shows whether its curve ran.
    const Curve half = makeCurve({{0.0, 0.0}, {1.0, 0.5}});
    for (const std::int32_t channel : {kChannelRed, kChannelGreen, kChannelBlue, kChannelAlpha}) {
        FilterSettings settings;
        settings.curves.curves[std::size_t(channel)] = half;
        const Rgba out = filterRow<Pixel8>({{200, 200, 200, 200}}, settings)[0];
        EXPECT_NEAR(out.red, channel == kChannelRed ? 100 : 200, kOneStep) << channel;
        EXPECT_NEAR(out.green, channel == kChannelGreen ? 100 : 200, kOneStep) << channel;
        EXPECT_NEAR(out.blue, channel == kChannelBlue ? 100 : 200, kOneStep) << channel;
        EXPECT_NEAR(out.alpha, channel == kChannelAlpha ? 100 : 200, kOneStep) << channel;
    }
}

TEST(ChannelCurves, TheRgbCurveFollowsTheSingleChannelCurves) {
    // red: x / 2 first, then rgb doubles: 200 -> 100 -> 200; the other order would give 255 -> 127.
    FilterSettings settings;
    settings.curves.curves[kChannelRed] = makeCurve({{0.0, 0.0}, {1.0, 0.5}});
    settings.curves.curves[kChannelRgb] = makeCurve({{0.0, 0.0}, {0.5, 1.0}});
    const Rgba out = filterRow<Pixel8>({{200, 50, 0, 255}}, settings)[0];
    EXPECT_NEAR(out.red, 200, 2 * kOneStep);
    EXPECT_NEAR(out.green, 100, kOneStep);
}

TEST(ChannelCurves, Sixteen32768ReadsTheLastEntryAndLargerValuesToo) {
    // Steep just below white: entry 32767 lies near 0.997 of white, entry 32768 is white itself.
    const auto points = {std::pair{0.0, 0.0}, std::pair{0.99, 0.0}, std::pair{1.0, 1.0}};
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] = makeCurve(points, HandleMode::Linear);
    // Hosts may hand 16-bit values above white; they read the last entry, never past the table.
    const std::vector<Rgba> row{{32768, 40000, 65535, 1}, {32767, 0, 32768, 1}};
    const auto out = filterRow<Pixel16>(row, settings);
    EXPECT_EQ(out[0].red, 32768);
    EXPECT_EQ(out[0].green, 32768);
    EXPECT_EQ(out[0].blue, 32768);
    EXPECT_NEAR(out[1].red, polyline(points, 32767.0 / 32768.0) * 32768.0, 5.0);
    EXPECT_LT(out[1].red, 32700);
    EXPECT_EQ(out[1].green, 0);
}

TEST(ChannelCurves, FloatFollowsTheLinearContinuationUnclamped) {
    // A straight line of slope 1/2 through 0: its ends continue along their handles.
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] = makeCurve({{0.0, 0.0}, {1.0, 0.5}});
    const auto out = filterRow<PixelFloat>({{2.0, 3.0, -0.5, 4.0}, {0.5, 1.0, 0.0, 1.0}}, settings);
    EXPECT_NEAR(out[0].red, 1.0, kPolylineTolerance);
    EXPECT_NEAR(out[0].green, 1.5, kPolylineTolerance);
    EXPECT_NEAR(out[0].blue, -0.25, kPolylineTolerance);
    // Alpha has no curve here and passes above 1 unclamped.
    EXPECT_EQ(out[0].alpha, 4.0);
    EXPECT_NEAR(out[1].red, 0.25, kPolylineTolerance);
    EXPECT_NEAR(out[1].green, 0.5, kPolylineTolerance);
}

TEST(ChannelCurves, IntegerTablesClampToTheDepthsRange) {
    // Doubling: above mid grey the curve leaves 0..1 and the table holds white.
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] = makeCurve({{0.0, 0.0}, {0.5, 1.0}});
    const Rgba out = filterRow<Pixel8>({{200, 255, 100, 255}}, settings)[0];
    EXPECT_EQ(out.red, 255);
    EXPECT_EQ(out.green, 255);
    EXPECT_NEAR(out.blue, 200, kOneStep);
}

TEST(ChannelCurves, ChannelOnlyRendersMatchThePixelByPixelPathInBothOrders) {
    // Without colour steps and histograms the integer depths run one map per channel; with a histogram shown
    // the same curves go pixel by pixel. Both must store the same values, above-white 16-bit values included.
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] =
        makeCurve({{0.0, 0.0}, {0.25, 0.1}, {0.75, 0.9}, {1.0, 1.0}}, HandleMode::Linear);
    settings.curves.curves[kChannelRed] = makeCurve({{0.0, 0.1}, {0.6, 0.4}, {1.0, 0.95}});
    settings.curves.curves[kChannelAlpha] = makeCurve({{0.0, 0.0}, {1.0, 0.5}});
    TestImage<Pixel16> input(97, 5);
    for (std::int32_t y = 0; y < 5; ++y) {
        for (std::int32_t x = 0; x < 97; ++x) {
            input.at(x, y).red() = std::uint16_t((x * 677 + y * 31) % 65536);
            input.at(x, y).green() = std::uint16_t((x * 339 + y * 7) % 32769);
            input.at(x, y).blue() = std::uint16_t(32768 - (x * 123) % 32769);
            input.at(x, y).alpha() = std::uint16_t((x * 1001) % 40000);
        }
    }
    for (const bool invert : {false, true}) {
        settings.invert = invert;
        settings.histogramMode = 0;
        FilterHost mapped(2);
        const auto byMaps = runFilter(input, settings, mapped);
        settings.histogramMode = 2;
        FilterHost pixelwise(2);
        const auto byPixels = runFilter(input, settings, pixelwise);
        ASSERT_EQ(byMaps.status, 0);
        ASSERT_EQ(byPixels.status, 0);
        for (std::int32_t y = 0; y < 5; ++y) {
            for (std::int32_t x = 0; x < 97; ++x) {
                const Rgba a = byMaps.output.get(x, y);
                const Rgba b = byPixels.output.get(x, y);
                ASSERT_EQ(a.red, b.red) << x << " " << y << " " << invert;
                ASSERT_EQ(a.green, b.green) << x << " " << y << " " << invert;
                ASSERT_EQ(a.blue, b.blue) << x << " " << y << " " << invert;
                ASSERT_EQ(a.alpha, b.alpha) << x << " " << y << " " << invert;
            }
        }
    }
}

} // namespace
} // namespace korvane::testing
