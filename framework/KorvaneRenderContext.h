#pragma once
#include "framework/ParallelJob.h"

#include <cstddef>
#include <cstdint>

namespace korvane {

// What a render needs of the host: progress and abort, memory, threads, time.
class KorvaneRenderContext {
public:
    // Reports progress; returns the host's abort status (noError while the user has not aborted).
    virtual std::int32_t progress(std::int32_t current, std::int32_t total) = 0;
    // Scratch memory for one render; null when it cannot be had. Sizes are 64-bit so that
    // width x height x pixel size never overflows.
    virtual void* allocate(std::size_t size) = 0;
    virtual void release(void* memory) = 0;
    // Number of threads to use for `requested` items (-1: as many as useful).
    virtual std::int32_t threadCount(std::int32_t requested) = 0;
    // Runs job(userData, i, count, thread) for i in 0..count-1 on the thread pool; returns the status
    // of the items run on the calling thread.
    virtual std::int32_t runParallel(std::int32_t count, void* userData, ParallelJob job) = 0;
    virtual double currentFrame() = 0;
    virtual double framesPerSecond() = 0;
    virtual void frameRange(double* first, double* last) = 0;

protected:
    ~KorvaneRenderContext() = default;
};

} // namespace korvane
