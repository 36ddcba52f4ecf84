#pragma once
#include "framework/ParallelJob.h"
#include "platform/CriticalSection.h"
#include "platform/ManualResetEvent.h"
#include "platform/Thread.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

namespace korvane {

class ThreadPool;

// One logical thread of the pool; index 0 is the caller, which has no thread handle.
struct ThreadData {
    std::int32_t index = 0;
    std::int32_t result = 0; // status of the last job on this thread
    ManualResetEvent startEvent;
    ManualResetEvent doneEvent;
    ManualResetEvent exitedEvent;
    ThreadPool* pool = nullptr;
    std::uint32_t threadId = 0;
    std::unique_ptr<ThreadHandle> handle;
    std::exception_ptr failure; // an exception the job threw on this worker, handed to the caller
};

// Worker threads for the lifetime of one host command. The calling thread always takes part as thread 0,
// so a pool of one runs everything on the caller. Slices are handed out one at a time in increasing order.
class ThreadPool {
public:
    // The most logical threads a pool holds.
    static constexpr std::int32_t kMaxThreads = 64;

    ThreadPool();
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Makes the pool have n logical threads (1..kMaxThreads). Does nothing when called from inside a job
    // of this pool: a running pool is never resized.
    void setThreadCount(std::int32_t n);
    // Runs slices 0..n-1 of the job on every logical thread; returns the caller's status, or when that is
    // success the first failure of a worker. Called from inside a job of this pool (a worker, or the
    // caller during a run) the job runs inline.
    std::int32_t run(std::int32_t n, void* userData, ParallelJob function);
    // Stops and joins every worker; the pool is empty (one logical thread) afterwards.
    void stopAll();

    std::int32_t threadCount() const { return threadCount_; }
    // True on a worker thread of this pool (thread index 1 or more).
    bool isWorkerThread() const;
    // True on any thread running a slice of this pool's job (a worker, or the caller during run).
    bool isInsideJob() const;

private:
    static void workerMain(void* argument);
    void sliceLoop(ThreadData& data);
    std::int32_t runInline(std::int32_t n, void* userData, ParallelJob function);
    void resetRecords(std::int32_t n);
    void stopWorkers();
    void stopHandingOut();

    std::int32_t threadCount_ = 1;
    std::int32_t jobSize_ = 0;
    std::int32_t nextSlice_ = 0;
    std::atomic<bool> stop_{false};
    void* userData_ = nullptr;
    ParallelJob function_ = nullptr;
    CriticalSection counterLock_;
    CriticalSection runLock_;
    std::vector<std::shared_ptr<ThreadData>> threads_;
};

} // namespace korvane
