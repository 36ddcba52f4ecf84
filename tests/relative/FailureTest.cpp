// Abort and out of memory anywhere in a render that uses every pass: the status comes back, the passes
// stop, and every scratch block goes back to the host.
#include "relative/RelativeProperties.h"
#include "tests/relative/RelativeRun.h"

#include <gtest/gtest.h>

#include <cstring>

namespace korvane::testing {
namespace {

using namespace relative;

RelativeCurveSet everything() {
    RelativeCurveSet set = defaultSet();
    setConstantChange(set, kRed, 0.2, false);
    set.curves[kHue] = curveThrough({{0.0, 0.0}, {1.0, 0.3}});
    set.basedOn[kHue] = kSaturation;
    set.curves[kPostBlur] = curveThrough({{0.0, 0.0}, {1.0, 1.0}});
    set.changeFactor[kPostBlur] = 2.0;
    return set;
}

RenderSettings everySetting() {
    RenderSettings settings;
    settings.preBlurRadius = 1.5;
    settings.histogramMode = kHistogramResult;
    return settings;
}

template <class Pixel>
TestImage<Pixel> picture() {
    TestImage<Pixel> image(40, 33);
    const double max = Pixel::kMax;
    for (std::int32_t y = 0; y < 33; ++y) {
        for (std::int32_t x = 0; x < 40; ++x) {
            const double t = double((x * 3 + y * 5) % 17) / 16.0;
            const double v = Pixel::kIsFloat ? t : std::floor(t * max);
            image.set(x, y, {v, max - v, v / 2, max});
        }
    }
    return image;
}

template <class Pixel>
void expectEveryAbortIsReturned() {
    TestImage<Pixel> input = picture<Pixel>();
    TestImage<Pixel> output(40, 33);
    std::int64_t calls = 0;
    {
        FilterHost host(4);
        auto histograms = std::make_unique<HistogramArrays>();
        ASSERT_EQ(runFilter(host, everything(), input, output, everySetting(), histograms.get()),
                  host.noError());
        calls = host.progressCalls();
    }
    ASSERT_GT(calls, 10);
    for (std::int64_t abortAfter = 0; abortAfter < calls;
         abortAfter += std::max<std::int64_t>(1, calls / 40)) {
        FilterHost host(4);
        host.abortAfterProgressCalls(abortAfter);
        auto histograms = std::make_unique<HistogramArrays>();
        EXPECT_EQ(runFilter(host, everything(), input, output, everySetting(), histograms.get()),
                  host.abortError())
            << abortAfter;
        EXPECT_EQ(host.liveBlocks(), 0u) << abortAfter;
        EXPECT_EQ(host.unknownReleases(), 0) << abortAfter;
    }
}

TEST(Failure, AnAbortAnywhereIsReturnedAndReleasesEverything) {
    expectEveryAbortIsReturned<Pixel8>();
    expectEveryAbortIsReturned<Pixel16>();
    expectEveryAbortIsReturned<PixelFloat>();
}

template <class Pixel>
void expectEveryFailedAllocationIsOutOfMemory() {
    TestImage<Pixel> input = picture<Pixel>();
    TestImage<Pixel> output(40, 33);
    int allocations = 0;
    {
        FilterHost host(3);
        auto histograms = std::make_unique<HistogramArrays>();
        ASSERT_EQ(runFilter(host, everything(), input, output, everySetting(), histograms.get()),
                  host.noError());
        allocations = host.allocations();
        EXPECT_EQ(host.liveBlocks(), 0u);
    }
    // Tables (integer depths), two pre-blur images, the accumulation, its intermediate, the weights, the
    // band counts.
    ASSERT_GE(allocations, Pixel::kIsFloat ? 6 : 7);
    for (int n = 1; n <= allocations; ++n) {
        FilterHost host(3);
        host.failAllocation(n);
        auto histograms = std::make_unique<HistogramArrays>();
        EXPECT_EQ(runFilter(host, everything(), input, output, everySetting(), histograms.get()),
                  host.outOfMemoryError())
            << n;
        EXPECT_EQ(host.liveBlocks(), 0u) << n;
        EXPECT_EQ(host.unknownReleases(), 0) << n;
    }
}

TEST(Failure, AnyFailedAllocationIsOutOfMemoryAndReleasesEverything) {
    expectEveryFailedAllocationIsOutOfMemory<Pixel8>();
    expectEveryFailedAllocationIsOutOfMemory<Pixel16>();
    expectEveryFailedAllocationIsOutOfMemory<PixelFloat>();
}

TEST(Failure, ManyThreadsGiveTheSameImageAndCountsAsOne) {
    TestImage<Pixel16> input = picture<Pixel16>();
    TestImage<Pixel16> one(40, 33);
    TestImage<Pixel16> many(40, 33);
    auto countsOne = std::make_unique<HistogramArrays>();
    auto countsMany = std::make_unique<HistogramArrays>();
    FilterHost single(1);
    FilterHost pool(7);
    ASSERT_EQ(runFilter(single, everything(), input, one, everySetting(), countsOne.get()), single.noError());
    ASSERT_EQ(runFilter(pool, everything(), input, many, everySetting(), countsMany.get()), pool.noError());
    EXPECT_TRUE(one.samePixels(many));
    EXPECT_EQ(*countsOne, *countsMany);
}

} // namespace
} // namespace korvane::testing
