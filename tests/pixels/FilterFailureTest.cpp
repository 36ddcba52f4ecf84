// Abort, out of memory, progress and band runs of filters, on one thread and on several.
#include "tests/support/TentReference.h"
#include "tests/support/TestImage.h"

#include "pixels/BandSplit.h"
#include "pixels/GlowFilter.h"
#include "pixels/KorvaneFilter.h"
#include "tests/framework/FilterHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <mutex>
#include <random>
#include <thread>
#include <utility>
#include <vector>

namespace korvane::testing {
namespace {

using ProgressCalls = std::vector<std::pair<std::int32_t, std::int32_t>>;

TEST(BandSplit, LastBandTakesTheRemainder) {
    EXPECT_EQ(bandRows(0, 3, 10).begin, 0);
    EXPECT_EQ(bandRows(0, 3, 10).end, 3);
    EXPECT_EQ(bandRows(1, 3, 10).begin, 3);
    EXPECT_EQ(bandRows(1, 3, 10).end, 6);
    EXPECT_EQ(bandRows(2, 3, 10).begin, 6);
    EXPECT_EQ(bandRows(2, 3, 10).end, 10);
}

TEST(BandSplit, FewerRowsThanBands) {
    for (std::int32_t band = 0; band < 7; ++band) {
        EXPECT_TRUE(bandRows(band, 8, 3).empty()) << band;
    }
    EXPECT_EQ(bandRows(7, 8, 3).begin, 0);
    EXPECT_EQ(bandRows(7, 8, 3).end, 3);
    EXPECT_TRUE(bandRows(8, 8, 3).empty());
    EXPECT_TRUE(bandRows(-1, 8, 3).empty());
    EXPECT_TRUE(bandRows(0, 1, 0).empty());
}

// A per-band filter that counts the rows it visits and reports progress as phase 2 of 6.
class RowCountingFilter : public KorvaneFilter {
public:
    RowCountingFilter(KorvaneHost& host, std::int32_t height)
        : KorvaneFilter(host), visits_(std::size_t(height)) {}

    std::int32_t apply(std::int32_t segmentIndex, std::int32_t segmentCount) override {
        setSegment(segmentIndex, segmentCount);
        return runBands(bands);
    }

    std::int32_t processBand(std::int32_t band, std::int32_t bandCount) override {
        const RowRange rows = bandRows(band, bandCount, std::int32_t(visits_.size()));
        for (std::int32_t y = rows.begin; y < rows.end; ++y) {
            ++visits_[std::size_t(y)];
            const std::int32_t status = reportRow(y, std::int32_t(visits_.size()), 2, 6);
            if (status != noError()) {
                return status;
            }
        }
        return noError();
    }

    std::int32_t bands = 1;
    std::vector<std::atomic<int>> visits_;
};

TEST(FilterBands, EveryRowOnceWithFewerRowsThanBands) {
    FilterHost host(4);
    RowCountingFilter filter(host, 3);
    filter.bands = 8;
    EXPECT_EQ(filter.apply(0, 1), host.noError());
    for (const auto& visits : filter.visits_) {
        EXPECT_EQ(visits.load(), 1);
    }
}

TEST(FilterBands, EveryRowOnceOnManyThreads) {
    FilterHost host(3);
    RowCountingFilter filter(host, 1001);
    filter.bands = filter.bandCount(1001);
    EXPECT_EQ(filter.bands, 48);
    EXPECT_EQ(filter.apply(0, 1), host.noError());
    for (const auto& visits : filter.visits_) {
        ASSERT_EQ(visits.load(), 1);
    }
}

TEST(FilterBands, BandCountFollowsThreadsAndRows) {
    struct Case {
        std::int32_t threads;
        std::int32_t height;
        std::int32_t bands;
    };
    // One thread: one band. More: 16 per thread, bands of at least 16 rows, never fewer than the threads
    // (the host's count for a height is at most that height).
    for (const Case& c : {Case{1, 2160, 1}, Case{2, 2160, 32}, Case{3, 2160, 48}, Case{64, 2160, 135},
                          Case{2, 100, 6}, Case{2, 40, 2}, Case{7, 90, 7}, Case{4, 3, 3}, Case{2, 0, 1},
                          Case{2, 512, 32}, Case{2, 511, 31}}) {
        FilterHost host(c.threads);
        RowCountingFilter filter(host, 1);
        EXPECT_EQ(filter.bandCount(c.height), c.bands) << c.threads << " threads, " << c.height << " rows";
    }
}

TEST(FilterBands, EveryRowOnceInManyBandsOnTwoThreads) {
    FilterHost host(2);
    RowCountingFilter filter(host, 2160);
    filter.bands = filter.bandCount(2160);
    ASSERT_EQ(filter.bands, 32);
    EXPECT_EQ(filter.apply(0, 1), host.noError());
    for (const auto& visits : filter.visits_) {
        ASSERT_EQ(visits.load(), 1);
    }
}

TEST(FilterBands, RowProgressPlacesThePhaseInTheSegment) {
    FilterHost host(1);
    ProgressCalls calls;
    host.setProgressCallable([&](std::int32_t current, std::int32_t total) {
        calls.emplace_back(current, total);
        return true;
    });
    RowCountingFilter filter(host, 10);
    filter.bands = 2;
    ASSERT_EQ(filter.apply(1, 2), host.noError());
    // (s x 6 + phase) x H + y of S x 6 x H with s = 1, S = 2, phase 2, H = 10.
    ASSERT_EQ(calls.size(), 10u);
    for (std::int32_t y = 0; y < 10; ++y) {
        EXPECT_EQ(calls[std::size_t(y)], std::make_pair(80 + y, 120));
    }
}

TEST(FilterBands, ProgressBeyondThirtyTwoBitsIsScaled) {
    FilterHost host(1);
    ProgressCalls calls;
    host.setProgressCallable([&](std::int32_t current, std::int32_t total) {
        calls.emplace_back(current, total);
        return true;
    });
    RowCountingFilter filter(host, 1);
    const std::int64_t total = std::int64_t(1) << 40;
    EXPECT_EQ(filter.reportProgress(total / 4, total), host.noError());
    EXPECT_EQ(filter.reportProgress(total, total), host.noError());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].second, std::numeric_limits<std::int32_t>::max());
    EXPECT_NEAR(double(calls[0].first) / calls[0].second, 0.25, 1e-6);
    EXPECT_EQ(calls[1].first, calls[1].second);
}

TEST(FilterBands, AbortStopsTheBandsAndIsReturned) {
    FilterHost host(1);
    int calls = 0;
    host.setProgressCallable([&](std::int32_t, std::int32_t) { return ++calls < 4; });
    RowCountingFilter filter(host, 20);
    filter.bands = 5;
    EXPECT_EQ(filter.apply(0, 1), host.abortError());
    EXPECT_EQ(calls, 4);
    int visited = 0;
    for (const auto& visits : filter.visits_) {
        visited += visits.load();
    }
    EXPECT_EQ(visited, 4);
}

// Progress that aborts only when called from a thread other than the test's own: without the recorded
// failure, runParallel would return the calling thread's success.
KorvaneHost::ProgressCallable abortOnWorkers(std::thread::id caller, std::atomic<int>& workerCalls) {
    return [caller, &workerCalls](std::int32_t, std::int32_t) {
        if (std::this_thread::get_id() != caller) {
            ++workerCalls;
            return false;
        }
        // Give the workers time to take items.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    };
}

// The thread pool's contract, without threads: every item after the first counts as run on a worker, and
// only the first item's status comes back from runParallel.
class CallerStatusOnlyHost : public FilterHost {
public:
    std::int32_t runParallel(std::int32_t count, void* userData, ParallelJob job) override {
        std::int32_t callerStatus = noError();
        for (std::int32_t i = 0; i < count; ++i) {
            const std::int32_t status = job(userData, i, count, i == 0 ? 0 : 1);
            if (i == 0) {
                callerStatus = status;
            }
        }
        return callerStatus;
    }
};

TEST(FilterBands, FailureOfAnItemOffTheCallingThreadIsReturned) {
    CallerStatusOnlyHost host;
    int calls = 0;
    host.setProgressCallable([&](std::int32_t, std::int32_t) { return ++calls != 7; });
    RowCountingFilter filter(host, 20);
    filter.bands = 4;
    EXPECT_EQ(filter.apply(0, 1), host.abortError());
}

TEST(GlowFilterFailure, AbortOfARowOffTheCallingThreadIsReturned) {
    // A row of the horizontal pass; the second strip of columns of the vertical one.
    for (const int failingCall : {3, 14}) {
        CallerStatusOnlyHost host;
        int calls = 0;
        host.setProgressCallable([&](std::int32_t, std::int32_t) { return ++calls != failingCall; });
        TestImage<Pixel8> source(40, 12);
        TestImage<Pixel8> destination(40, 12);
        GlowFilter<Pixel8> filter(host);
        filter.setSource(source.view());
        filter.setDestination(destination.view());
        filter.setRadii(1.0, 1.0);
        EXPECT_EQ(filter.apply(0, 1), host.abortError()) << failingCall;
        EXPECT_EQ(host.liveBlocks(), 0u);
    }
}

TEST(FilterBands, AbortSeenOnlyByAWorkerIsReturned) {
    FilterHost host(2);
    std::atomic<int> workerCalls{0};
    host.setProgressCallable(abortOnWorkers(std::this_thread::get_id(), workerCalls));
    RowCountingFilter filter(host, 400);
    filter.bands = 400;
    EXPECT_EQ(filter.apply(0, 1), host.abortError());
    EXPECT_GE(workerCalls.load(), 1);
}

template <class Pixel>
struct BlurSetup {
    FilterHost host;
    TestImage<Pixel> source;
    TestImage<Pixel> destination;
    GlowFilter<Pixel> filter;

    BlurSetup(std::int32_t threads, std::int32_t width, std::int32_t height)
        : host(threads), source(width, height), destination(width, height), filter(host) {
        std::mt19937 rng(31);
        source.fill(randomGrid<Pixel>(width, height, rng));
        destination.fillBytes(0x3C);
        filter.setSource(source.view());
        filter.setDestination(destination.view());
        filter.setRadii(2.5, 3.25);
    }
};

TEST(GlowFilterFailure, AbortInTheHorizontalPassStopsItAndIsReturned) {
    BlurSetup<Pixel8> setup(1, 16, 12);
    int calls = 0;
    setup.host.setProgressCallable([&](std::int32_t, std::int32_t) { return ++calls < 5; });
    EXPECT_EQ(setup.filter.apply(0, 1), setup.host.abortError());
    EXPECT_EQ(calls, 5);
    EXPECT_TRUE(setup.destination.allPixelBytesAre(0x3C)); // the vertical pass never ran
    EXPECT_EQ(setup.host.liveBlocks(), 0u);
    EXPECT_EQ(setup.host.allocations(), setup.host.releases());
}

TEST(GlowFilterFailure, AbortInTheVerticalPassStopsItAndIsReturned) {
    BlurSetup<PixelFloat> setup(1, 50, 12);
    int calls = 0;
    // 12 rows of the horizontal pass, then strips of 16 columns: 0..15, 16..31, 32..47, 48..49.
    setup.host.setProgressCallable([&](std::int32_t, std::int32_t) { return ++calls < 14; });
    EXPECT_EQ(setup.filter.apply(0, 1), setup.host.abortError());
    EXPECT_EQ(calls, 14);
    TestImage<PixelFloat> untouched(1, 1);
    untouched.fillBytes(0x3C);
    for (std::int32_t x = 0; x < 50; ++x) {
        EXPECT_EQ(setup.destination.at(x, 5).channel[0] == untouched.at(0, 0).channel[0], x >= 32) << x;
    }
    EXPECT_EQ(setup.host.liveBlocks(), 0u);
}

TEST(GlowFilterFailure, AbortOnAWorkerIsReturned) {
    BlurSetup<Pixel16> setup(2, 30, 300);
    std::atomic<int> workerCalls{0};
    setup.host.setProgressCallable(abortOnWorkers(std::this_thread::get_id(), workerCalls));
    EXPECT_EQ(setup.filter.apply(0, 1), setup.host.abortError());
    EXPECT_GE(workerCalls.load(), 1);
    EXPECT_TRUE(setup.destination.allPixelBytesAre(0x3C));
    EXPECT_EQ(setup.host.liveBlocks(), 0u);
}

TEST(GlowFilterFailure, FailedIntermediateIsOutOfMemoryAndLeaksNothing) {
    BlurSetup<AccumulationPixel16> setup(2, 20, 10);
    setup.host.failAllocationsFrom(1);
    EXPECT_EQ(setup.filter.apply(0, 1), setup.host.outOfMemoryError());
    EXPECT_EQ(setup.host.allocations(), 1);
    EXPECT_EQ(setup.host.lastRequest(), 20u * 10u * 20u);
    EXPECT_EQ(setup.host.releases(), 0);
    EXPECT_TRUE(setup.destination.allPixelBytesAre(0x3C));
}

TEST(GlowFilterFailure, SuccessfulRunGivesItsIntermediateBack) {
    BlurSetup<PixelFloat> setup(2, 20, 10);
    EXPECT_EQ(setup.filter.apply(0, 1), setup.host.noError());
    EXPECT_EQ(setup.host.allocations(), 1);
    EXPECT_EQ(setup.host.releases(), 1);
    EXPECT_EQ(setup.host.unknownReleases(), 0);
    EXPECT_EQ(setup.host.liveBlocks(), 0u);
}

TEST(GlowFilterFailure, ImpossibleIntermediateSizeIsOutOfMemory) {
    // A view that claims more pixels than memory can address: the size is rejected before any allocation.
    FilterHost host;
    TestImage<AccumulationPixel8> tiny(1, 1);
    PixelArray<AccumulationPixel8> huge = tiny.view();
    huge.width = std::numeric_limits<std::int32_t>::max();
    huge.height = std::numeric_limits<std::int32_t>::max();
    GlowFilter<AccumulationPixel8> filter(host);
    filter.setSource(huge);
    filter.setDestination(huge);
    EXPECT_EQ(filter.apply(0, 1), host.outOfMemoryError());
    EXPECT_EQ(host.allocations(), 0);
}

TEST(GlowFilterProgress, PassesReportTheirHalvesOfThePhase) {
    BlurSetup<Pixel8> setup(1, 40, 3);
    ProgressCalls calls;
    setup.host.setProgressCallable([&](std::int32_t current, std::int32_t total) {
        calls.emplace_back(current, total);
        return true;
    });
    ASSERT_EQ(setup.filter.apply(1, 3), setup.host.noError());
    // Phase 1 of 3, H = 3, W = 40: rows report y + 2 x 1 x 3 of 2 x 3 x 3; strips of columns report their
    // last column x as (2 x 1 + 1) x 40 + x of 2 x 3 x 40.
    const ProgressCalls want = {{6, 18}, {7, 18}, {8, 18}, {135, 240}, {151, 240}, {159, 240}};
    EXPECT_EQ(calls, want);
}

TEST(GlowFilterProgress, DrivenPassesReportWhereTheCallerPlacesThem) {
    BlurSetup<AccumulationPixelFloat> setup(1, 2, 3);
    TestImage<AccumulationPixelFloat> intermediate(2, 3);
    ProgressCalls calls;
    setup.host.setProgressCallable([&](std::int32_t current, std::int32_t total) {
        calls.emplace_back(current, total);
        return true;
    });
    // Post blur of a six-phase segment: horizontal half in unit 3, vertical in unit 4.
    setup.filter.setProgressUnits(3, 4, 6);
    setup.filter.setPassViews(setup.source.view(), intermediate.view());
    ASSERT_EQ(setup.filter.runEach<&GlowFilter<AccumulationPixelFloat>::blurRow>(setup.filter.passRows()),
              setup.host.noError());
    setup.filter.setPassViews(intermediate.view(), setup.destination.view());
    ASSERT_EQ(
        setup.filter.runEach<&GlowFilter<AccumulationPixelFloat>::blurColumn>(setup.filter.passColumns()),
        setup.host.noError());
    const ProgressCalls want = {{9, 18}, {10, 18}, {11, 18}, {8, 12}, {9, 12}};
    EXPECT_EQ(calls, want);
    const auto expected = referenceBlur(setup.source.grid(), {5, 2}, {13, 4}, false);
    const auto got = setup.destination.grid();
    for (std::size_t i = 0; i < got.values.size(); ++i) {
        for (std::size_t c = 0; c < 5; ++c) {
            EXPECT_NEAR(got.values[i][c], expected.values[i][c],
                        1e-5 * std::max(1.0, std::abs(expected.values[i][c])));
        }
    }
}

template <class Pixel>
void expectThreadedBlurMatchesReference(std::int32_t threads) {
    std::mt19937 rng(404);
    const auto input = randomGrid<Pixel>(37, 23, rng);
    const RationalRadius horizontal{29, 4};
    const RationalRadius vertical{3, 10};
    FilterHost host(threads);
    TestImage<Pixel> source(37, 23);
    TestImage<Pixel> destination(37, 23);
    source.fill(input);
    GlowFilter<Pixel> filter(host);
    filter.setSource(source.view());
    filter.setDestination(destination.view());
    filter.setRadii(horizontal.value(), vertical.value());
    ASSERT_EQ(filter.apply(0, 1), host.noError());
    const auto want = referenceBlur(input, horizontal, vertical, !Pixel::kIsFloat);
    const auto got = destination.grid();
    for (std::size_t i = 0; i < got.values.size(); ++i) {
        for (std::size_t c = 0; c < std::size_t(Pixel::kChannelCount); ++c) {
            if (Pixel::kIsFloat) {
                ASSERT_NEAR(got.values[i][c], want.values[i][c],
                            1e-5 * std::max(1.0, std::abs(want.values[i][c])));
            } else {
                ASSERT_EQ(got.values[i][c], want.values[i][c]) << "pixel " << i << " channel " << c;
            }
        }
    }
    EXPECT_TRUE(destination.paddingIntact());
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST(GlowFilterThreads, SameResultOnSeveralThreads) {
    expectThreadedBlurMatchesReference<Pixel8>(3);
    expectThreadedBlurMatchesReference<Pixel16>(2);
    expectThreadedBlurMatchesReference<PixelFloat>(4);
    expectThreadedBlurMatchesReference<AccumulationPixel16>(3);
}

} // namespace
} // namespace korvane::testing
