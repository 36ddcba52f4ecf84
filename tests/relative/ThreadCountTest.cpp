// The render is the same whatever the number of threads and so of bands: pixels and histograms against
// one thread, at every depth, with the pre blur, the post blur and its composite, and in the views.
#include "relative/RelativeProperties.h"
#include "tests/relative/RelativeRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

namespace korvane::testing {
namespace {

using namespace relative;

constexpr std::int32_t kWidth = 19;
// Enough rows for many bands of the minimum height on two threads.
constexpr std::int32_t kHeight = 197;

template <class Pixel>
TestImage<Pixel> mixedPicture() {
    TestImage<Pixel> image(kWidth, kHeight);
    std::mt19937 random(2029);
    const double max = Pixel::kMax;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            Rgba c{unit(random) * max, unit(random) * max, unit(random) * max, unit(random) * max};
            if ((x + 2 * y) % 5 == 0) {
                c.green = c.red; // greys
                c.blue = c.red;
            }
            if constexpr (Pixel::kIsFloat) {
                if (x == 2 && y % 4 == 0) {
                    c.red = y % 8 == 0 ? std::numeric_limits<double>::quiet_NaN() : 1.75;
                }
            } else {
                c = {std::floor(c.red), std::floor(c.green), std::floor(c.blue), std::floor(c.alpha)};
            }
            image.set(x, y, c);
        }
    }
    return image;
}

// Changes read from other properties, a post blur whose strength varies with brightness.
RelativeCurveSet manyChanges() {
    RelativeCurveSet set = defaultSet();
    set.curves[kHue] = curveThrough({{0.0, 0.0}, {1.0, 0.3}});
    set.basedOn[kHue] = kSaturation;
    set.curves[kSaturation] = curveThrough({{0.0, 0.4}, {0.5, -0.2}, {1.0, 0.1}});
    set.basedOn[kSaturation] = kHue;
    setConstantChange(set, kBrightness, 0.15, true);
    setConstantChange(set, kRed, 0.2, false);
    set.curves[kPostBlur] = curveThrough({{0.0, 0.0}, {1.0, 1.0}});
    set.changeFactor[kPostBlur] = 3.0;
    return set;
}

template <class Pixel>
void expectSameOnEveryThreadCount(const RenderSettings& settings, const char* what) {
    TestImage<Pixel> input = mixedPicture<Pixel>();
    TestImage<Pixel> one(kWidth, kHeight);
    auto oneCounts = std::make_unique<HistogramArrays>();
    {
        FilterHost host(1);
        ASSERT_EQ(runFilter(host, manyChanges(), input, one, settings, oneCounts.get()), host.noError())
            << what;
    }
    for (const std::int32_t threads : {2, 3, 7}) {
        FilterHost host(threads);
        TestImage<Pixel> many(kWidth, kHeight);
        auto counts = std::make_unique<HistogramArrays>();
        ASSERT_EQ(runFilter(host, manyChanges(), input, many, settings, counts.get()), host.noError())
            << what << ", " << threads << " threads";
        EXPECT_TRUE(one.samePixels(many)) << what << ", " << threads << " threads";
        EXPECT_EQ(*oneCounts, *counts) << what << ", " << threads << " threads";
        EXPECT_TRUE(many.paddingIntact()) << what << ", " << threads << " threads";
        EXPECT_EQ(host.liveBlocks(), 0u) << what << ", " << threads << " threads";
    }
}

template <class Pixel>
class ThreadCount : public ::testing::Test {};
using Depths = ::testing::Types<Pixel8, Pixel16, PixelFloat>;
TYPED_TEST_SUITE(ThreadCount, Depths);

TYPED_TEST(ThreadCount, BlursAndHistograms) {
    for (const std::int32_t mode : {kHistogramSource, kHistogramResult}) {
        RenderSettings settings;
        settings.preBlurRadius = 2.5;
        settings.histogramMode = mode;
        settings.histogramProperty = kSaturation;
        expectSameOnEveryThreadCount<TypeParam>(settings, mode == kHistogramSource ? "source" : "result");
    }
}

TYPED_TEST(ThreadCount, Views) {
    for (const std::int32_t show : {kShowNodeRange, kShowMatte, kShowColoredMatte}) {
        RenderSettings settings;
        settings.showMode = show;
        settings.histogramMode = kHistogramResult;
        expectSameOnEveryThreadCount<TypeParam>(settings, "view");
    }
}

} // namespace
} // namespace korvane::testing
