#include "FakeHost.h"
#include "RecordingEffect.h"
#include "tests/support/TestLog.h"

#include "framework/ThreadPool.h"
#include "platform/ManualResetEvent.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace korvane::testing {
namespace {

constexpr std::uint32_t kPatience = 10000; // ms before a test gives up waiting instead of hanging

struct Call {
    std::int32_t slice;
    std::int32_t count;
    std::int32_t threadIndex;
    std::uint32_t threadId;
};

// Every call of a job, in the order the calls began.
struct CallLog {
    std::mutex mutex;
    std::vector<Call> calls;
    void add(std::int32_t slice, std::int32_t count, std::int32_t thread) {
        std::lock_guard lock(mutex);
        calls.push_back(Call{slice, count, thread, currentThreadId()});
    }
};

std::int32_t logCall(void* data, std::int32_t slice, std::int32_t count, std::int32_t thread) {
    static_cast<CallLog*>(data)->add(slice, count, thread);
    return 0;
}

class ThreadStartCounter {
public:
    explicit ThreadStartCounter(int failAt = 0) {
        setThreadStartHook([this, failAt] { return ++started_ != failAt; });
    }
    ~ThreadStartCounter() { setThreadStartHook({}); }
    ThreadStartCounter(const ThreadStartCounter&) = delete;
    ThreadStartCounter& operator=(const ThreadStartCounter&) = delete;
    int asked() const { return started_; }

private:
    int started_ = 0;
};

TEST(ThreadPool, EmptyJobCallsNothing) {
    ThreadPool pool;
    pool.setThreadCount(4);
    CallLog log;
    EXPECT_EQ(pool.run(0, &log, &logCall), 0);
    EXPECT_EQ(pool.run(-3, &log, &logCall), 0);
    EXPECT_TRUE(log.calls.empty());
}

TEST(ThreadPool, PoolOfOneRunsSlicesInOrderOnTheCaller) {
    ThreadPool pool;
    EXPECT_EQ(pool.threadCount(), 1);
    CallLog log;
    EXPECT_EQ(pool.run(6, &log, &logCall), 0);
    ASSERT_EQ(log.calls.size(), 6u);
    for (std::int32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(log.calls[std::size_t(i)].slice, i);
        EXPECT_EQ(log.calls[std::size_t(i)].count, 6);
        EXPECT_EQ(log.calls[std::size_t(i)].threadIndex, 0);
        EXPECT_EQ(log.calls[std::size_t(i)].threadId, currentThreadId());
    }
}

// Slice 3 fails on the caller while the worker holds an earlier slice; the worker then finishes the job.
struct FailOnThree {
    ManualResetEvent workerBusy;
    ManualResetEvent callerFailed;
    std::atomic<int> callerCalls{0};
    std::atomic<int> workerCalls{0};
    std::atomic<int> calledSlices[12] = {};
    std::atomic<int> slice3Thread{-1};
};

std::int32_t failOnThree(void* data, std::int32_t slice, std::int32_t, std::int32_t thread) {
    auto& job = *static_cast<FailOnThree*>(data);
    ++job.calledSlices[slice];
    if (thread == 0) {
        if (job.callerCalls++ == 0 && !job.workerBusy.waitFor(kPatience)) {
            return -1;
        }
        if (slice == 3) {
            job.slice3Thread = 0;
            job.callerFailed.signal();
            return PF_Interrupt_CANCEL;
        }
        return 0;
    }
    if (job.workerCalls++ == 0) {
        job.workerBusy.signal();
        job.callerFailed.waitFor(kPatience);
    }
    if (slice == 3) {
        job.slice3Thread = thread;
    }
    return 0;
}

TEST(ThreadPool, ErrorOnTheCallersSliceIsReturnedAndOthersFinish) {
    ThreadPool pool;
    pool.setThreadCount(2);
    ASSERT_EQ(pool.threadCount(), 2);
    FailOnThree job;
    EXPECT_EQ(pool.run(12, &job, &failOnThree), PF_Interrupt_CANCEL);
    EXPECT_EQ(job.slice3Thread.load(), 0);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(job.calledSlices[i].load(), 1) << "slice " << i;
    }
    EXPECT_EQ(job.callerCalls.load() + job.workerCalls.load(), 12);
    // The caller stopped at its error: slices after 3 all went to the worker.
    EXPECT_LE(job.callerCalls.load(), 3);
}

struct WorkerFails {
    ManualResetEvent workerFailed;
    std::atomic<int> callerCalls{0};
    std::atomic<int> calls{0};
};

// A worker fails on its first slice; the caller waits for that on its own first slice.
std::int32_t failOnWorkers(void* data, std::int32_t, std::int32_t, std::int32_t thread) {
    auto& job = *static_cast<WorkerFails*>(data);
    ++job.calls;
    if (thread != 0) {
        job.workerFailed.signal();
        return 513;
    }
    if (job.callerCalls++ == 0) {
        job.workerFailed.waitFor(kPatience);
    }
    return 0;
}

TEST(ThreadPool, ErrorOnAWorkerIsReportedWhenTheCallerSucceeded) {
    ThreadPool pool;
    pool.setThreadCount(3);
    WorkerFails job;
    EXPECT_EQ(pool.run(50, &job, &failOnWorkers), 513);
    // A failing worker takes no further slices, and no slice is dropped: the caller does the rest.
    EXPECT_EQ(job.calls.load(), 50);
}

struct NestedJob {
    ThreadPool* pool;
    std::atomic<int> outerOnWorker{0};
    CallLog inner;
    std::mutex mutex;
    std::vector<std::uint32_t> outerIds;
    std::atomic<int> innerResult{0};
};

std::int32_t nestedOuter(void* data, std::int32_t, std::int32_t, std::int32_t) {
    auto& job = *static_cast<NestedJob*>(data);
    {
        std::lock_guard lock(job.mutex);
        job.outerIds.push_back(currentThreadId());
    }
    job.pool->setThreadCount(7); // ignored while the pool runs
    job.innerResult += job.pool->run(5, &job.inner, &logCall);
    return 0;
}

TEST(ThreadPool, NestedRunGoesInlineOnTheThreadThatAsks) {
    ThreadPool pool;
    pool.setThreadCount(4);
    NestedJob job;
    job.pool = &pool;
    EXPECT_EQ(pool.run(8, &job, &nestedOuter), 0);
    EXPECT_EQ(pool.threadCount(), 4);
    EXPECT_EQ(job.innerResult.load(), 0);
    ASSERT_EQ(job.inner.calls.size(), 8u * 5u);
    // Every inner job ran on the thread of its outer slice, in order, as thread 0.
    std::map<std::uint32_t, std::vector<std::int32_t>> slicesById;
    for (const Call& call : job.inner.calls) {
        EXPECT_EQ(call.threadIndex, 0);
        EXPECT_EQ(call.count, 5);
        slicesById[call.threadId].push_back(call.slice);
    }
    for (const auto& [id, slices] : slicesById) {
        EXPECT_NE(std::find(job.outerIds.begin(), job.outerIds.end(), id), job.outerIds.end());
        ASSERT_EQ(slices.size() % 5, 0u);
        for (std::size_t i = 0; i < slices.size(); ++i) {
            EXPECT_EQ(slices[i], std::int32_t(i % 5));
        }
    }
}

TEST(ThreadPool, FailedCreationOfWorkerTwoOfFourLeavesAPoolOfTwo) {
    const std::size_t before = testlog::contents().size();
    ThreadStartCounter counter(2);
    ThreadPool pool;
    pool.setThreadCount(4);
    EXPECT_EQ(pool.threadCount(), 2);
    EXPECT_EQ(counter.asked(), 2); // creation stops at the first failure
    EXPECT_EQ(testlog::contents().substr(before),
              "initializing threadpool with 4 threads\n"
              "-**### WARNING ###**-: failed to create thread nr 2of 4\n");
    CallLog log;
    EXPECT_EQ(pool.run(40, &log, &logCall), 0);
    std::set<std::int32_t> threads;
    std::set<std::int32_t> slices;
    for (const Call& call : log.calls) {
        threads.insert(call.threadIndex);
        slices.insert(call.slice);
    }
    EXPECT_EQ(slices.size(), 40u);
    EXPECT_LE(*threads.rbegin(), 1);
}

TEST(ThreadPool, SameCountLogsNothingAndStartsNoThread) {
    ThreadPool pool;
    pool.setThreadCount(3);
    ThreadStartCounter counter;
    const std::size_t before = testlog::contents().size();
    pool.setThreadCount(3);
    EXPECT_EQ(counter.asked(), 0);
    EXPECT_EQ(testlog::contents().size(), before);
    pool.setThreadCount(1);
    EXPECT_EQ(testlog::contents().substr(before), "initializing threadpool with 1 threads\n");
    EXPECT_EQ(pool.threadCount(), 1);
}

TEST(ThreadPool, CountsOutsideOneTo64AreClamped) {
    ThreadPool pool;
    pool.setThreadCount(0);
    EXPECT_EQ(pool.threadCount(), 1);
    pool.setThreadCount(-5);
    EXPECT_EQ(pool.threadCount(), 1);
    CallLog log;
    EXPECT_EQ(pool.run(3, &log, &logCall), 0);
    EXPECT_EQ(log.calls.size(), 3u);
    pool.setThreadCount(1000);
    EXPECT_EQ(pool.threadCount(), ThreadPool::kMaxThreads);
}

struct ThrowingJob {
    std::int32_t throwingThread = 0;
    ManualResetEvent thrown;
    std::atomic<int> running{0};
};

// The throwing thread throws on its first slice; every other slice waits until then and a little longer,
// so that a run returning early would find slices still running.
std::int32_t throwOnOneThread(void* data, std::int32_t, std::int32_t, std::int32_t thread) {
    auto& job = *static_cast<ThrowingJob*>(data);
    if (thread == job.throwingThread) {
        job.thrown.signal();
        throw std::runtime_error("job failed");
    }
    ++job.running;
    job.thrown.waitFor(kPatience);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    --job.running;
    return 0;
}

TEST(ThreadPool, ExceptionOnTheCallerWaitsForTheWorkersThenPropagates) {
    ThreadPool pool;
    pool.setThreadCount(4);
    ThrowingJob job;
    EXPECT_THROW(pool.run(1000, &job, &throwOnOneThread), std::runtime_error);
    EXPECT_EQ(job.running.load(), 0);
    CallLog log;
    EXPECT_EQ(pool.run(10, &log, &logCall), 0); // the pool still works
    EXPECT_EQ(log.calls.size(), 10u);
}

TEST(ThreadPool, ExceptionOnAWorkerReachesTheCaller) {
    ThreadPool pool;
    pool.setThreadCount(3);
    ThrowingJob job;
    job.throwingThread = 1;
    EXPECT_THROW(pool.run(1000, &job, &throwOnOneThread), std::runtime_error);
    EXPECT_EQ(job.running.load(), 0);
    CallLog log;
    EXPECT_EQ(pool.run(10, &log, &logCall), 0);
}

std::int32_t countSlices(void* data, std::int32_t slice, std::int32_t, std::int32_t) {
    ++static_cast<std::vector<std::atomic<int>>*>(data)->at(std::size_t(slice));
    return 0;
}

TEST(ThreadPool, StressManySmallJobsOverManyPoolSizes) {
    ThreadPool pool;
    for (std::int32_t size : {1, 2, 3, 4, 5, 8, 13, 1, 6, 16, 2}) {
        pool.setThreadCount(size);
        ASSERT_EQ(pool.threadCount(), size);
        for (std::int32_t n = 0; n < 60; n += 1 + n / 8) {
            std::vector<std::atomic<int>> counts(std::size_t(n) + 1);
            ASSERT_EQ(pool.run(n, &counts, &countSlices), 0);
            for (std::int32_t i = 0; i < n; ++i) {
                ASSERT_EQ(counts[std::size_t(i)].load(), 1)
                    << "pool " << size << " job " << n << " slice " << i;
            }
            ASSERT_EQ(counts[std::size_t(n)].load(), 0);
        }
    }
}

// The worker stalls in its first slice until every other slice is done, as a thread that has lost its
// processor would; the caller waits on its own first slice until the worker holds one. A pool that gave
// each thread a fixed share would leave the worker's share undone and the worker timing out.
struct StalledWorker {
    static constexpr std::int32_t kSlices = 32;
    ManualResetEvent workerHoldsASlice;
    ManualResetEvent othersDone;
    std::atomic<int> done{0};
    std::atomic<int> callerCalls{0};
    std::atomic<int> workerCalls{0};
    std::atomic<int> calledSlices[kSlices] = {};
};

std::int32_t stallOneWorker(void* data, std::int32_t slice, std::int32_t, std::int32_t thread) {
    auto& job = *static_cast<StalledWorker*>(data);
    ++job.calledSlices[slice];
    std::int32_t status = 0;
    if (thread != 0 && job.workerCalls++ == 0) {
        job.workerHoldsASlice.signal();
        // The last of the other slices to finish lets this one go.
        status = job.othersDone.waitFor(kPatience) ? 0 : 7;
        ++job.done;
        return status;
    }
    if (thread == 0 && job.callerCalls++ == 0 && !job.workerHoldsASlice.waitFor(kPatience)) {
        status = 9;
    }
    if (++job.done == StalledWorker::kSlices - 1) {
        job.othersDone.signal();
    }
    return status;
}

TEST(ThreadPool, AStalledThreadHoldsUpOnlyTheSliceItHas) {
    ThreadPool pool;
    pool.setThreadCount(2);
    ASSERT_EQ(pool.threadCount(), 2);
    StalledWorker job;
    EXPECT_EQ(pool.run(StalledWorker::kSlices, &job, &stallOneWorker), 0);
    for (int i = 0; i < StalledWorker::kSlices; ++i) {
        EXPECT_EQ(job.calledSlices[i].load(), 1) << "slice " << i;
    }
    EXPECT_EQ(job.workerCalls.load(), 1);
    EXPECT_EQ(job.callerCalls.load(), StalledWorker::kSlices - 1);
}

TEST(ThreadPool, StopAllJoinsWorkersAndLeavesAWorkingPoolOfOne) {
    ThreadPool pool;
    pool.setThreadCount(5);
    pool.stopAll();
    EXPECT_EQ(pool.threadCount(), 1);
    CallLog log;
    EXPECT_EQ(pool.run(4, &log, &logCall), 0);
    for (const Call& call : log.calls) {
        EXPECT_EQ(call.threadIndex, 0);
    }
}

// ---- through the host classes ------------------------------------------------------------------

TEST(RunParallel, KorvaneHostSizesThePoolFromItsThreadCount) {
    KorvaneHost host("Name", "Korvane", "", 1, 0, 7);
    host.setThreadCountOverride(3);
    CallLog log;
    EXPECT_EQ(host.runParallel(30, &log, &logCall), 0);
    EXPECT_EQ(host.threadPool().threadCount(), 3);
    std::set<std::int32_t> slices;
    for (const Call& call : log.calls) {
        slices.insert(call.slice);
        EXPECT_LT(call.threadIndex, 3);
    }
    EXPECT_EQ(slices.size(), 30u);
}

struct HostNested {
    KorvaneRenderContext* context;
    CallLog inner;
};

TEST(RunParallel, NestedRunParallelNeverWaitsForItsOwnPool) {
    KorvaneHost host("Name", "Korvane", "", 1, 0, 7);
    host.setThreadCountOverride(4);
    HostNested job{&host, {}};
    auto outer = [](void* data, std::int32_t, std::int32_t, std::int32_t) -> std::int32_t {
        auto& j = *static_cast<HostNested*>(data);
        return j.context->runParallel(3, &j.inner, &logCall);
    };
    EXPECT_EQ(host.runParallel(6, &job, outer), 0);
    EXPECT_EQ(job.inner.calls.size(), 18u);
}

struct AbortJob {
    KorvaneRenderContext* context;
    fakehost::FakeHost* host;
    ManualResetEvent workerStarted;
    ManualResetEvent callerSawAbort;
    std::atomic<int> callerFirst{1};
    std::atomic<int> workerFirst{1};
    std::atomic<int> callerResult{-1};
    std::atomic<int> workerResult{-1};
    std::atomic<int> hostCallsBeforeWorker{-1};
    std::atomic<int> hostCallsAfterWorker{-1};
};

std::int32_t abortJob(void* data, std::int32_t, std::int32_t, std::int32_t thread) {
    auto& job = *static_cast<AbortJob*>(data);
    if (thread == 0) {
        if (job.callerFirst.exchange(0) == 1) {
            job.workerStarted.waitFor(kPatience);
            job.callerResult = job.context->progress(1, 2);
            job.callerSawAbort.signal();
        }
        return 0;
    }
    if (job.workerFirst.exchange(0) == 1) {
        job.workerStarted.signal();
        job.callerSawAbort.waitFor(kPatience);
        job.hostCallsBeforeWorker = job.host->progressCalls;
        job.workerResult = job.context->progress(1, 2);
        job.hostCallsAfterWorker = job.host->progressCalls;
    }
    return 0;
}

TEST(RunParallel, WorkerProgressAfterAnAbortReturnsItWithoutCallingTheHost) {
    fakehost::FakeHost host;
    host.abortAfter = 0;
    RecordingEffect effect;
    effect.dispatch(PF_Cmd_FRAME_SETDOWN, &host.in, &host.out, nullptr, nullptr, nullptr);
    effect.setThreadCountOverride(2);
    AbortJob job;
    job.context = &effect;
    job.host = &host;
    EXPECT_EQ(effect.runParallel(8, &job, &abortJob), 0);
    EXPECT_EQ(job.callerResult.load(), PF_Interrupt_CANCEL);
    EXPECT_EQ(job.workerResult.load(), PF_Interrupt_CANCEL);
    EXPECT_EQ(job.hostCallsBeforeWorker.load(), 1);
    EXPECT_EQ(job.hostCallsAfterWorker.load(), 1);
}

TEST(RunParallel, CachedAbortIsClearedAroundEachRun) {
    fakehost::FakeHost host;
    host.abortAfter = 0;
    RecordingEffect effect;
    effect.dispatch(PF_Cmd_FRAME_SETDOWN, &host.in, &host.out, nullptr, nullptr, nullptr);
    effect.setThreadCountOverride(2);
    AbortJob first;
    first.context = &effect;
    first.host = &host;
    effect.runParallel(4, &first, &abortJob);
    ASSERT_EQ(first.workerResult.load(), PF_Interrupt_CANCEL);

    // The next run starts clean: a worker that polls while thread 0 has not polled sees no abort.
    host.abortAfter = -1;
    struct Poll {
        KorvaneRenderContext* context;
        ManualResetEvent polled;
        std::atomic<int> callerFirst{1};
        std::atomic<int> workerResult{-1};
    } poll{&effect, {}, {}, {}};
    auto pollOnWorkers = [](void* data, std::int32_t, std::int32_t, std::int32_t thread) -> std::int32_t {
        auto& p = *static_cast<Poll*>(data);
        if (thread != 0) {
            p.workerResult = p.context->progress(0, 1);
            p.polled.signal();
        } else if (p.callerFirst.exchange(0) == 1) {
            p.polled.waitFor(kPatience);
        }
        return 0;
    };
    effect.runParallel(64, &poll, pollOnWorkers);
    EXPECT_EQ(poll.workerResult.load(), PF_Err_NONE);
}

} // namespace
} // namespace korvane::testing
