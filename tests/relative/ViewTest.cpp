// The diagnostic views and the histograms: node range ramps, matte and colored matte from the amounts, no
// post blur in any view, counts against a count made here, the range end in the last bin.
#include "relative/NodeRange.h"
#include "relative/RelativeProperties.h"
#include "tests/relative/RelativeRun.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvane::testing {
namespace {

using namespace relative;

TEST(View, TheNodeRangeRampsUpToTheNodeAndDownToTheNextOne) {
    // Nodes at 0, 0.5 and 1; the one at 0.5 is active.
    const Curve curve = curveThrough({{0.0, 0.0}, {0.5, 0.2}, {1.0, 0.0}});
    const NodeRange range = activeNodeRange(curve, 1);
    EXPECT_EQ(range.left, 0.0);
    EXPECT_EQ(range.node, 0.5);
    EXPECT_EQ(range.right, 1.0);

    RelativeCurveSet set = defaultSet();
    set.curves[kRed] = curve;
    RenderSettings settings;
    settings.showMode = kShowNodeRange;
    settings.histogramProperty = kGreen;
    settings.nodeRange = range;
    TestImage<Pixel8> image = rowOf<Pixel8>({{9, 0, 9, 9}, {9, 51, 9, 9}, {9, 127.5, 9, 9}, {9, 204, 9, 0}});
    image.at(2, 0).green() = 128;
    TestImage<Pixel8> out = rendered(set, image, settings);
    const auto expectPixel = [&](std::int32_t x, double red, double green) {
        const Rgba p = out.get(x, 0);
        EXPECT_EQ(p.red, red) << x;
        EXPECT_EQ(p.green, green) << x;
        EXPECT_EQ(p.blue, 0) << x;
        EXPECT_EQ(p.alpha, 255) << x;
    };
    expectPixel(0, 0, 0);                                 // v = 0: the ramp's foot
    expectPixel(1, std::floor(0.2 / 0.5 * 255 + 0.5), 0); // v = 0.2
    const double v = 128.0 / 255.0;                       // just past the node
    expectPixel(2, 0, std::floor((1.0 - v) / 0.5 * 255 + 0.5));
    expectPixel(3, 0, std::floor((1.0 - 0.8) / 0.5 * 255 + 0.5)); // v = 0.8
}

TEST(View, TheNodeRangeOfTheEndNodesReachesFarAndWithoutAnActiveNodeLiesNowhere) {
    const Curve curve = curveThrough({{0.2, 0.0}, {0.7, 0.5}});
    NodeRange range = activeNodeRange(curve, 0);
    EXPECT_EQ(range.left, -99999997952.0);
    EXPECT_EQ(range.right, 0.7);
    range = activeNodeRange(curve, 1);
    EXPECT_EQ(range.left, 0.2);
    EXPECT_EQ(range.right, 99999997952.0);
    for (const std::int32_t slot : {-1, 2, 39, 40, 1000}) {
        range = activeNodeRange(curve, slot);
        EXPECT_GT(range.left, range.right) << slot;
    }
    RenderSettings settings;
    settings.showMode = kShowNodeRange;
    TestImage<PixelFloat> image = rowOf<PixelFloat>({{0, 0, 0, 1}, {0.5, 0.5, 0.5, 1}, {1, 1, 1, 1}});
    TestImage<PixelFloat> out = rendered(defaultSet(), image, settings);
    for (std::int32_t x = 0; x < 3; ++x) {
        EXPECT_EQ(out.get(x, 0).red, 0.0f);
        EXPECT_EQ(out.get(x, 0).green, 0.0f);
        EXPECT_EQ(out.get(x, 0).alpha, 1.0f);
    }
}

TEST(View, AGreyHasNoHueInTheNodeRange) {
    RenderSettings settings;
    settings.showMode = kShowNodeRange;
    settings.histogramProperty = kHue;
    settings.nodeRange = {-99999997952.0, 0.5, 99999997952.0};
    TestImage<Pixel8> image = rowOf<Pixel8>({{80, 80, 80, 255}, {0, 0, 255, 255}});
    TestImage<Pixel8> out = rendered(defaultSet(), image, settings);
    EXPECT_EQ(out.get(0, 0).red, 0);
    EXPECT_EQ(out.get(0, 0).green, 0);
    // Blue is hue 0.5: the node itself, full in both ramps.
    EXPECT_EQ(out.get(1, 0).red, 255);
    EXPECT_EQ(out.get(1, 0).green, 255);
}

TEST(View, TheMatteCombinesTheAmountsOfTheChangedProperties) {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kRed, 0.5, false);
    setConstantChange(set, kBlue, -0.25, true);
    // Active with factor 0: counts as 0.
    setConstantChange(set, kGreen, 0.5, false, 0.0);
    RenderSettings settings;
    settings.showMode = kShowMatte;
    TestImage<Pixel8> image = rowOf<Pixel8>({{10, 20, 30, 40}});
    const double matte = 1.0 - (1.0 - 0.5) * (1.0 - 0.25);
    Rgba out = rendered(set, image, settings).get(0, 0);
    EXPECT_EQ(out.red, std::floor(matte * 255));
    EXPECT_EQ(out.green, std::floor(matte * 255));
    EXPECT_EQ(out.blue, std::floor(matte * 255));
    EXPECT_EQ(out.alpha, 255);

    settings.showMode = kShowColoredMatte;
    out = rendered(set, image, settings).get(0, 0);
    EXPECT_EQ(out.red, 10);
    EXPECT_EQ(out.green, 20);
    EXPECT_EQ(out.blue, 30);
    EXPECT_EQ(out.alpha, std::floor(matte * 255));

    // Amounts beyond 1 count as 1.
    setConstantChange(set, kAlpha, 3.0, false);
    settings.showMode = kShowMatte;
    EXPECT_EQ(rendered(set, image, settings).get(0, 0).red, 255);
}

TEST(View, ASaturationThatIsNotDefinedCountsZeroInTheMatte) {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kSaturation, 0.5, true);
    RenderSettings settings;
    settings.showMode = kShowMatte;
    TestImage<Pixel16> image =
        rowOf<Pixel16>({{500, 500, 500, 32768}, {0, 0, 0, 32768}, {900, 100, 100, 32768}});
    TestImage<Pixel16> out = rendered(set, image, settings);
    EXPECT_EQ(out.get(0, 0).red, 0);
    EXPECT_EQ(out.get(1, 0).red, 0);
    EXPECT_EQ(out.get(2, 0).red, 16384);
}

TEST(View, NoViewIsPostBlurred) {
    RelativeCurveSet set = defaultSet();
    set.curves[kPostBlur] = constantCurve(0.5);
    set.changeFactor[kPostBlur] = 4.0;
    TestImage<Pixel8> image(7, 4);
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 7; ++x) {
            image.set(x, y, {double(x * 30), double(y * 60), double((x + y) % 2) * 255, 255});
        }
    }
    RenderSettings settings;
    settings.showMode = kShowColoredMatte;
    TestImage<Pixel8> colored = rendered(set, image, settings);
    settings.showMode = kShowMatte;
    TestImage<Pixel8> matte = rendered(set, image, settings);
    settings.showMode = kShowNodeRange;
    TestImage<Pixel8> range = rendered(set, image, settings);
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 7; ++x) {
            const Rgba c = colored.get(x, y);
            const Rgba in = image.get(x, y);
            EXPECT_EQ(c.red, in.red);
            EXPECT_EQ(c.green, in.green);
            EXPECT_EQ(c.blue, in.blue);
            EXPECT_EQ(c.alpha, 127); // the weight 0.5 is the amount
            EXPECT_EQ(matte.get(x, y).red, 127);
            EXPECT_EQ(range.get(x, y).red, 0);
        }
    }
    // The normal view does blur: the checkerboard of blue softens.
    const Rgba blurred = rendered(set, image).get(3, 1);
    EXPECT_GT(blurred.blue, 0);
    EXPECT_LT(blurred.blue, 255);
}

// Counts made here: bin floor((v - start) x 2559 / (end - start)), the end in bin 2559.
std::array<std::int32_t, kHistogramBins> countedHere(const std::vector<double>& values, double start,
                                                     double end) {
    std::array<std::int32_t, kHistogramBins> counts{};
    for (const double v : values) {
        if (v >= start && v <= end) {
            const auto bin = std::int32_t(std::floor((v - start) * (kHistogramBins - 1) / (end - start)));
            ++counts[std::size_t(std::min(bin, kHistogramBins - 1))];
        }
    }
    return counts;
}

TEST(View, TheHistogramOfTheSourcePropertyEqualsACountMadeHere) {
    TestImage<Pixel8> image(37, 29);
    std::vector<double> values;
    for (std::int32_t y = 0; y < 29; ++y) {
        for (std::int32_t x = 0; x < 37; ++x) {
            const double green = double((x * 13 + y * 7) % 256);
            image.set(x, y, {double(x), green, 0, 255});
            values.push_back(green / 255.0);
        }
    }
    for (const auto& [start, end] : {std::pair{0.0, 1.0}, std::pair{0.25, 0.6}}) {
        RenderSettings settings;
        settings.histogramMode = kHistogramSource;
        settings.histogramProperty = kGreen;
        settings.histogramStart = start;
        settings.histogramEnd = end;
        auto histograms = std::make_unique<HistogramArrays>();
        FilterHost host(4);
        TestImage<Pixel8> out(37, 29);
        ASSERT_EQ(runFilter(host, defaultSet(), image, out, settings, histograms.get()), host.noError());
        EXPECT_EQ((*histograms)[0], countedHere(values, start, end)) << start;
        if (end == 1.0) {
            EXPECT_GT((*histograms)[0][kHistogramBins - 1], 0);
        }
    }
}

TEST(View, AValueAtTheRangeEndLandsInTheLastBin) {
    for (const auto& [start, end] : {std::pair{0.0, 1.0}, std::pair{0.1, 0.7}, std::pair{-3.0, 0.3}}) {
        const HistogramCounter counter(kHistogramBins, start, end);
        std::array<std::int32_t, kHistogramBins> counts{};
        counter.count(counts.data(), end);
        counter.count(counts.data(), start);
        counter.count(counts.data(), end + 1e-12);
        counter.count(counts.data(), start - 1e-12);
        EXPECT_EQ(counts[kHistogramBins - 1], 1) << end;
        EXPECT_EQ(counts[0], 1) << start;
    }
}

TEST(View, ARangeWhoseStartIsNotBelowItsEndCountsNothing) {
    TestImage<Pixel8> image = rowOf<Pixel8>({{0, 0, 0, 255}, {128, 128, 128, 255}, {255, 255, 255, 255}});
    for (const auto& [start, end] :
         {std::pair{0.5, 0.5}, std::pair{1.0, 0.0}, std::pair{std::nan(""), 1.0}}) {
        RenderSettings settings;
        settings.histogramMode = kHistogramResult;
        settings.histogramStart = start;
        settings.histogramEnd = end;
        auto histograms = std::make_unique<HistogramArrays>();
        (*histograms)[1][7] = 99;
        FilterHost host;
        TestImage<Pixel8> out(3, 1);
        ASSERT_EQ(runFilter(host, defaultSet(), image, out, settings, histograms.get()), host.noError());
        for (const auto& counts : *histograms) {
            for (const std::int32_t c : counts) {
                ASSERT_EQ(c, 0) << start << " " << end;
            }
        }
    }
}

TEST(View, TheResultHistogramCountsTheChangedColours) {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kRed, 1.0, false); // red doubled
    TestImage<PixelFloat> image = rowOf<PixelFloat>({{0.25, 0.5, 1.0, 1.0}, {0.5, 0.0, 0.125, 1.0}});
    RenderSettings settings;
    settings.histogramMode = kHistogramResult;
    auto histograms = std::make_unique<HistogramArrays>();
    FilterHost host(2);
    TestImage<PixelFloat> out(2, 1);
    ASSERT_EQ(runFilter(host, set, image, out, settings, histograms.get()), host.noError());
    EXPECT_EQ((*histograms)[0], countedHere({0.5, 1.0}, 0.0, 1.0));
    EXPECT_EQ((*histograms)[1], countedHere({0.5, 0.0}, 0.0, 1.0));
    EXPECT_EQ((*histograms)[2], countedHere({1.0, 0.125}, 0.0, 1.0));
}

} // namespace
} // namespace korvane::testing
