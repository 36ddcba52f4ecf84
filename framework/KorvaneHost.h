#pragma once
#include "framework/KorvanePlugin.h"
#include "framework/KorvaneRenderContext.h"
#include "framework/ThreadPool.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace korvane {

// The host-neutral services a renderer needs, with overridable progress, memory and thread count, so that
// filters can run outside any host (tests, tools).
class KorvaneHost : public KorvanePlugin, public KorvaneRenderContext {
public:
    // false: the user aborted.
    using ProgressCallable = std::function<bool(std::int32_t current, std::int32_t total)>;
    using AllocationCallable = std::function<void*(std::size_t size)>;
    using ReleaseCallable = std::function<void(void* memory)>;

    KorvaneHost(std::string name, std::string maker, std::string description, std::int32_t major,
                std::int32_t minor, std::int32_t bugfix);
    ~KorvaneHost() override;

    virtual std::string inputLayerName() { return "Source"; }
    virtual std::string outputLayerName() { return "Output"; }
    virtual bool isAfterEffectsHost() { return false; }
    virtual std::int32_t noError() { return 0; }
    virtual std::int32_t outOfMemoryError() { return 1; }
    virtual std::int32_t abortError() { return 2; }
    virtual void setErrorMessage(std::string text);

    std::int32_t progress(std::int32_t current, std::int32_t total) override;
    void* allocate(std::size_t size) override;
    void release(void* memory) override;
    std::int32_t threadCount(std::int32_t requested) override;
    std::int32_t runParallel(std::int32_t count, void* userData, ParallelJob job) override;
    double currentFrame() override { return 0.0; }
    double framesPerSecond() override { return 1.0; }
    void frameRange(double* first, double* last) override;

    void setProgressCallable(ProgressCallable callable) { progressCallable_ = std::move(callable); }
    void setAllocationCallable(AllocationCallable callable) { allocationCallable_ = std::move(callable); }
    void setReleaseCallable(ReleaseCallable callable) { releaseCallable_ = std::move(callable); }
    // Above 0: the number of threads to use in place of the processor count.
    void setThreadCountOverride(std::int32_t count) { threadCountOverride_ = count; }

    ThreadPool& threadPool() { return threadPool_; }

protected:
    ThreadPool threadPool_;
    ProgressCallable progressCallable_;
    AllocationCallable allocationCallable_;
    ReleaseCallable releaseCallable_;
    std::int32_t threadCountOverride_ = 0;
};

} // namespace korvane
