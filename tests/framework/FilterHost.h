#pragma once
// A KorvaneHost for filter tests: a fixed thread count, counted memory (so that a test can check that what
// a filter allocated went back) that can be made to fail at a chosen allocation or from it on, and a
// progress that reports an abort after a chosen number of calls.
#include "framework/KorvaneHost.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <set>

namespace korvane::testing {

class FilterHost : public KorvaneHost {
public:
    explicit FilterHost(std::int32_t threads = 1) : KorvaneHost("Test", "Korvane", "", 1, 0, 7) {
        setThreadCountOverride(threads);
        setAllocationCallable([this](std::size_t size) -> void* {
            std::lock_guard lock(mutex_);
            ++allocations_;
            lastRequest_ = size;
            if ((failAt_ > 0 && allocations_ == failAt_) || (failFrom_ > 0 && allocations_ >= failFrom_)) {
                return nullptr;
            }
            void* block = ::operator new(size, std::nothrow);
            if (block != nullptr) {
                live_.insert(block);
            }
            return block;
        });
        setReleaseCallable([this](void* block) {
            std::lock_guard lock(mutex_);
            ++releases_;
            if (live_.erase(block) == 0) {
                ++unknownReleases_;
            }
            ::operator delete(block);
        });
        setProgressCallable([this](std::int32_t, std::int32_t) {
            const std::int64_t call = ++progressCalls_;
            return abortAfter_ < 0 || call <= abortAfter_;
        });
    }

    // Allocation n (counted from 1) fails; the others succeed.
    void failAllocation(int n) { failAt_ = n; }
    // Allocation n (counted from 1) and every later one fail; 0 lets them succeed again.
    void failAllocationsFrom(int n) { failFrom_ = n; }
    // Progress calls 1..count succeed, later ones report an abort.
    void abortAfterProgressCalls(std::int64_t count) { abortAfter_ = count; }
    std::int64_t progressCalls() const { return progressCalls_.load(); }
    int allocations() const { return allocations_; }
    int releases() const { return releases_; }
    std::size_t lastRequest() const { return lastRequest_; }
    std::size_t liveBlocks() const { return live_.size(); }
    int unknownReleases() const { return unknownReleases_; }

private:
    std::mutex mutex_;
    std::set<void*> live_;
    int failAt_ = 0;
    int failFrom_ = 0;
    int allocations_ = 0;
    int releases_ = 0;
    int unknownReleases_ = 0;
    std::size_t lastRequest_ = 0;
    std::atomic<std::int64_t> progressCalls_{0};
    std::int64_t abortAfter_ = -1;
};

} // namespace korvane::testing
