#pragma once
// A KorvaneHost for filter tests: a fixed thread count, and memory that is counted so that every test can
// check that what a filter allocated went back.
#include "framework/KorvaneHost.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <set>

namespace korvane::testing {

class TestHost : public KorvaneHost {
public:
    explicit TestHost(std::int32_t threads = 1) : KorvaneHost("Test", "Korvane", "", 1, 0, 7) {
        setThreadCountOverride(threads);
        setAllocationCallable([this](std::size_t size) -> void* {
            std::lock_guard lock(mutex_);
            ++allocations_;
            lastRequest_ = size;
            if (failAllocations_) {
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
    }

    void failAllocations(bool fail) { failAllocations_ = fail; }
    int allocations() const { return allocations_; }
    int releases() const { return releases_; }
    int unknownReleases() const { return unknownReleases_; }
    std::size_t liveBlocks() const { return live_.size(); }
    std::size_t lastRequest() const { return lastRequest_; }

private:
    std::mutex mutex_;
    std::set<void*> live_;
    bool failAllocations_ = false;
    int allocations_ = 0;
    int releases_ = 0;
    int unknownReleases_ = 0;
    std::size_t lastRequest_ = 0;
};

} // namespace korvane::testing
