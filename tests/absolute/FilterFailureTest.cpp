// Abort and out of memory: the filter stops where it is told, returns the status unchanged and gives back
// every table and count it took.
#include "tests/absolute/FilterRun.h"

#include <gtest/gtest.h>

namespace korvane::testing {
namespace {

constexpr std::uint8_t kUntouched = 0xA5;

FilterSettings withRgbCurve() {
    FilterSettings settings;
    settings.curves.curves[kChannelRgb] = makeCurve({{0.0, 0.1}, {1.0, 0.9}});
    settings.curves.curves[kChannelBlue] = makeCurve({{0.0, 0.2}, {1.0, 0.8}});
    return settings;
}

struct FailureRun {
    std::int32_t status;
    bool outputUntouched;
    absolute::HistogramArrays histograms;
};

// A 16-bit render of 20 x 30 pixels whose output starts out filled with a marker byte.
FailureRun run16(FilterHost& host, const FilterSettings& settings) {
    TestImage<Pixel16> input(20, 30);
    for (std::int32_t y = 0; y < 30; ++y) {
        for (std::int32_t x = 0; x < 20; ++x) {
            input.set(x, y, {x * 1000.0, y * 1000.0, 500, 32768});
        }
    }
    TestImage<Pixel16> output(20, 30);
    output.fillBytes(kUntouched);
    FailureRun result{};
    absolute::RgbaCurvesFilter<Pixel16> filter(host);
    filter.setCurves(settings.curves);
    filter.setHistogram(settings.histogramMode, settings.histogramChannel, 0.0, 1.0, &result.histograms);
    filter.setImages(input.view(), output.view());
    result.status = filter.apply(0, 1);
    result.outputUntouched = output.allPixelBytesAre(kUntouched) && output.paddingIntact();
    return result;
}

TEST(FilterFailure, AnAbortWhileSamplingStopsBeforeAnyBand) {
    FilterHost host(2);
    host.abortAfterProgressCalls(1);
    const FailureRun run = run16(host, withRgbCurve());
    EXPECT_EQ(run.status, host.abortError());
    EXPECT_TRUE(run.outputUntouched);
    // Sampling asks every 1000 entries: the second question stopped it, and no table was left behind.
    EXPECT_EQ(host.progressCalls(), 2);
    EXPECT_EQ(host.liveBlocks(), 0u);
    EXPECT_EQ(host.unknownReleases(), 0);
}

TEST(FilterFailure, AnAbortBetweenRowsStopsTheBandAndReturnsTheStatus) {
    // Two tables of 32769 entries ask 33 times each; the rows come after.
    FilterHost host(1);
    host.abortAfterProgressCalls(66 + 10);
    FilterSettings settings = withRgbCurve();
    settings.histogramMode = 2;
    const FailureRun run = run16(host, settings);
    EXPECT_EQ(run.status, host.abortError());
    EXPECT_FALSE(run.outputUntouched);
    EXPECT_EQ(host.progressCalls(), 66 + 11);
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST(FilterFailure, ATableThatCannotBeHadReportsOutOfMemoryAndRunsNothing) {
    for (const int failing : {1, 2}) {
        FilterHost host(2);
        host.failAllocationsFrom(failing);
        const FailureRun run = run16(host, withRgbCurve());
        EXPECT_EQ(run.status, host.outOfMemoryError()) << failing;
        EXPECT_TRUE(run.outputUntouched) << failing;
        EXPECT_EQ(host.progressCalls(), 0) << failing;
        EXPECT_EQ(host.liveBlocks(), 0u) << failing;
    }
}

TEST(FilterFailure, ChannelMapsThatCannotBeHadReportOutOfMemory) {
    // Without colour steps the two sampled tables are folded into channel maps, the third block.
    FilterHost host(2);
    host.failAllocationsFrom(3);
    const FailureRun run = run16(host, withRgbCurve());
    EXPECT_EQ(run.status, host.outOfMemoryError());
    EXPECT_TRUE(run.outputUntouched);
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST(FilterFailure, ChannelChainMapsThatCannotBeHadReportOutOfMemory) {
    // With the red, green and blue histograms the channel curves go through chain maps, after the two tables
    // and the per-band counts.
    FilterHost host(2);
    host.failAllocationsFrom(4);
    FilterSettings settings = withRgbCurve();
    settings.histogramMode = 2;
    const FailureRun run = run16(host, settings);
    EXPECT_EQ(run.status, host.outOfMemoryError());
    EXPECT_TRUE(run.outputUntouched);
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST(FilterFailure, HistogramCountsThatCannotBeHadReportOutOfMemory) {
    // The two tables come first, then the per-band counts.
    FilterHost host(3);
    host.failAllocationsFrom(3);
    FilterSettings settings = withRgbCurve();
    settings.histogramMode = 1;
    const FailureRun run = run16(host, settings);
    EXPECT_EQ(run.status, host.outOfMemoryError());
    EXPECT_TRUE(run.outputUntouched);
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST(FilterFailure, EveryBlockGoesBackAfterASuccessfulRun) {
    FilterHost host(4);
    FilterSettings settings = withRgbCurve();
    settings.histogramMode = 2;
    const FailureRun run = run16(host, settings);
    EXPECT_EQ(run.status, host.noError());
    // The two tables, the per-band counts and the channel chain maps.
    EXPECT_EQ(host.allocations(), 4);
    EXPECT_EQ(host.liveBlocks(), 0u);
    EXPECT_EQ(host.unknownReleases(), 0);
}

} // namespace
} // namespace korvane::testing
