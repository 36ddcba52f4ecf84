#include "pixels/KorvaneFilter.h"

#include <algorithm>
#include <limits>

namespace korvane {

std::int32_t KorvaneFilter::processBand(std::int32_t /*band*/, std::int32_t /*bandCount*/) {
    return noError();
}

std::int32_t KorvaneFilter::bandCount(std::int32_t height) const {
    const std::int32_t threads = std::max(host_.threadCount(std::max(height, 1)), 1);
    if (threads == 1) {
        return 1;
    }
    // The host's count for `height` rows is at most `height`, so neither bound exceeds the rows.
    const std::int32_t byRows = std::max(height / kMinBandRows, threads);
    const std::int64_t wanted = std::int64_t(threads) * kBandsPerThread;
    return std::int32_t(std::min<std::int64_t>(wanted, byRows));
}

std::int32_t KorvaneFilter::runBands(std::int32_t bandCount) {
    return runEach<&KorvaneFilter::processBand>(std::max(bandCount, 1));
}

std::int32_t KorvaneFilter::runItems(std::int32_t count, ParallelJob job) {
    failure_.store(noErrorValue_);
    const std::int32_t status = host_.runParallel(count, this, job);
    if (status != noErrorValue_) {
        return status;
    }
    return failure_.load();
}

void KorvaneFilter::recordFailure(std::int32_t status) {
    if (status == noErrorValue_) {
        return;
    }
    std::int32_t expected = noErrorValue_;
    failure_.compare_exchange_strong(expected, status);
}

void KorvaneFilter::setSegment(std::int32_t index, std::int32_t count) {
    segmentCount_ = std::max(count, 1);
    segmentIndex_ = std::clamp(index, 0, segmentCount_ - 1);
}

std::int32_t KorvaneFilter::reportRow(std::int32_t y, std::int32_t height, std::int32_t phase,
                                      std::int32_t phaseCount) {
    const std::int64_t rows = std::max(height, 1);
    const std::int64_t phases = std::max(phaseCount, 1);
    return reportProgress((std::int64_t(segmentIndex_) * phases + phase) * rows + y,
                          std::int64_t(segmentCount_) * phases * rows);
}

std::int32_t KorvaneFilter::reportProgress(std::int64_t current, std::int64_t total) {
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    if (total > kLimit) {
        current = std::int64_t(double(current) * (double(kLimit) / double(total)));
        total = kLimit;
    }
    return host_.progress(std::int32_t(std::clamp<std::int64_t>(current, 0, total)), std::int32_t(total));
}

} // namespace korvane
