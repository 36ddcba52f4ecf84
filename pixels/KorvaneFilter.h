#pragma once
#include "framework/KorvaneHost.h"
#include "framework/ParallelJob.h"

#include <atomic>
#include <cstdint>

namespace korvane {

// Base of the render filters: reads views, writes a view, runs its passes on the host's thread pool and
// takes its status codes from the host object. Built, set up and applied once within one render call.
class KorvaneFilter {
public:
    explicit KorvaneFilter(KorvaneHost& host) : host_(host), failure_(host.noError()) {}
    virtual ~KorvaneFilter() = default;
    KorvaneFilter(const KorvaneFilter&) = delete;
    KorvaneFilter& operator=(const KorvaneFilter&) = delete;

    // Runs the whole filter as progress segment `segmentIndex` of `segmentCount`.
    virtual std::int32_t apply(std::int32_t segmentIndex, std::int32_t segmentCount) = 0;
    // One horizontal band of the filter's per-band pass (bandRows). A filter without one keeps this.
    virtual std::int32_t processBand(std::int32_t band, std::int32_t bandCount);

    KorvaneHost& host() const { return host_; }
    std::int32_t noError() const { return host_.noError(); }
    std::int32_t outOfMemoryError() const { return host_.outOfMemoryError(); }
    std::int32_t abortError() const { return host_.abortError(); }

    // With more than one thread a pass runs this many bands per thread...
    static constexpr std::int32_t kBandsPerThread = 16;
    // ...each of at least this many rows, unless that leaves fewer bands than threads.
    static constexpr std::int32_t kMinBandRows = 16;

    // Bands for a pass over `height` rows. The thread count for that height is 1: one band. More threads:
    // kBandsPerThread bands per thread, fewer where bands would have fewer than kMinBandRows rows, never
    // fewer than the threads nor more than the rows. The threads take the bands in turn as they finish
    // one, so a thread that loses its processor for a while holds up no more than its current band; one
    // band per thread would hold up the whole pass. Every band covers the rows bandRows gives it, and a
    // pass must give the same result for every band count.
    std::int32_t bandCount(std::int32_t height) const;
    // processBand(i, bandCount) for every band on the thread pool; the first failure of any band.
    std::int32_t runBands(std::int32_t bandCount);
    // job(this, i, count, thread) for every item on the thread pool. The thread pool returns only the
    // calling thread's status; a failure recorded by an item on a worker is returned as well, so that an
    // abort seen only by a worker never reads as success.
    std::int32_t runItems(std::int32_t count, ParallelJob job);
    // runItems with itemJob<Work>: the member function Work of the filter once per item.
    template <auto Work>
    std::int32_t runEach(std::int32_t count) {
        return runItems(count, &itemJob<Work>);
    }
    // The thread pool's job that calls the member function Work (item) or Work (item, itemCount) of the
    // filter runItems passed; once an item failed the rest return that failure, and a failure is recorded.
    template <auto Work>
    static std::int32_t itemJob(void* filter, std::int32_t item, std::int32_t itemCount, std::int32_t thread);

    void setSegment(std::int32_t index, std::int32_t count);
    // Progress after row y of a per-band pass over `height` rows that is phase `phase` of `phaseCount` of
    // this filter's segment: (s x phaseCount + phase) x height + y of segmentCount x phaseCount x height.
    std::int32_t reportRow(std::int32_t y, std::int32_t height, std::int32_t phase, std::int32_t phaseCount);
    // Progress `current` of `total`, scaled down when the total exceeds what the host's 32 bits can say.
    std::int32_t reportProgress(std::int64_t current, std::int64_t total);

    // Items call this with a failing status; the first one is kept for runItems.
    void recordFailure(std::int32_t status);
    // True once an item of the current run failed: later items stop early.
    bool runFailed() const { return failure_.load(std::memory_order_relaxed) != noErrorValue_; }
    std::int32_t recordedFailure() const { return failure_.load(); }

private:
    KorvaneHost& host_;
    std::int32_t noErrorValue_ = host_.noError();
    std::atomic<std::int32_t> failure_;
    std::int32_t segmentIndex_ = 0;
    std::int32_t segmentCount_ = 1;
};

namespace detail {

// The filter class of a member function that takes an item, or an item and the item count.
template <class Member>
struct ItemWork;
template <class Filter>
struct ItemWork<std::int32_t (Filter::*)(std::int32_t)> {
    using Type = Filter;
    static constexpr bool kTakesCount = false;
};
template <class Filter>
struct ItemWork<std::int32_t (Filter::*)(std::int32_t, std::int32_t)> {
    using Type = Filter;
    static constexpr bool kTakesCount = true;
};

} // namespace detail

template <auto Work>
std::int32_t KorvaneFilter::itemJob(void* filter, std::int32_t item, std::int32_t itemCount,
                                    std::int32_t /*thread*/) {
    using Work_ = detail::ItemWork<decltype(Work)>;
    auto& self = static_cast<typename Work_::Type&>(*static_cast<KorvaneFilter*>(filter));
    if (self.runFailed()) {
        return self.recordedFailure();
    }
    std::int32_t status = 0;
    if constexpr (Work_::kTakesCount) {
        status = (self.*Work)(item, itemCount);
    } else {
        status = (self.*Work)(item);
    }
    self.recordFailure(status);
    return status;
}

} // namespace korvane
