#include "framework/ThreadPool.h"

#include "framework/DebugLog.h"

#include <algorithm>
#include <exception>
#include <sstream>
#include <system_error>

namespace korvane {
namespace {

// The pool whose slice loop the calling thread is running, so that nested runs go inline.
thread_local const ThreadPool* tlsRunningPool = nullptr;

class RunningPoolMark {
public:
    explicit RunningPoolMark(const ThreadPool* pool) : previous_(tlsRunningPool) { tlsRunningPool = pool; }
    ~RunningPoolMark() { tlsRunningPool = previous_; }
    RunningPoolMark(const RunningPoolMark&) = delete;
    RunningPoolMark& operator=(const RunningPoolMark&) = delete;

private:
    const ThreadPool* previous_;
};

void logEventError(std::string_view what, std::int32_t code) {
    std::ostringstream message;
    message << DebugLog::kErrorPrefix << what << code << "\n";
    DebugLog::instance().write(message, DebugLog::Error);
}

void checkSignal(std::int32_t code) {
    if (code != 0) {
        logEventError("error signaling event. Error code: ", code);
    }
}

} // namespace

ThreadPool::ThreadPool() {
    resetRecords(1);
}

ThreadPool::~ThreadPool() {
    stopWorkers();
}

bool ThreadPool::isWorkerThread() const {
    const std::uint32_t id = currentThreadId();
    for (const auto& data : threads_) {
        if (data->index >= 1 && data->threadId == id) {
            return true;
        }
    }
    return false;
}

bool ThreadPool::isInsideJob() const {
    return tlsRunningPool == this || isWorkerThread();
}

void ThreadPool::resetRecords(std::int32_t n) {
    threads_.clear();
    for (std::int32_t i = 0; i < n; ++i) {
        auto data = std::make_shared<ThreadData>();
        data->index = i;
        data->pool = this;
        data->threadId = i == 0 ? currentThreadId() : 0;
        threads_.push_back(std::move(data));
    }
}

void ThreadPool::setThreadCount(std::int32_t n) {
    if (isInsideJob()) {
        return;
    }
    n = std::clamp(n, std::int32_t{1}, kMaxThreads);
    CriticalSectionGuard guard(runLock_);
    if (n == threadCount_) {
        return;
    }
    std::ostringstream message;
    message << "initializing threadpool with " << n << " threads\n";
    DebugLog::instance().write(message, DebugLog::Info);

    stopWorkers();
    threadCount_ = 1;
    try {
        resetRecords(n);
    } catch (const std::system_error& error) {
        logEventError("error creating event. Error code: ", error.code().value());
        resetRecords(1);
        return;
    }
    for (std::int32_t i = 1; i < n; ++i) {
        ThreadData& data = *threads_[static_cast<std::size_t>(i)];
        data.handle = startThread(&ThreadPool::workerMain, &data, &data.threadId);
        if (!data.handle) {
            std::ostringstream warning;
            warning << DebugLog::kWarningPrefix << "failed to create thread nr " << i << "of " << n << "\n";
            DebugLog::instance().write(warning, DebugLog::Warning);
            // The pool runs with the threads that exist.
            threads_.resize(static_cast<std::size_t>(i));
            break;
        }
        ++threadCount_;
    }
}

void ThreadPool::workerMain(void* argument) {
    ThreadData& data = *static_cast<ThreadData*>(argument);
    ThreadPool& pool = *data.pool;
    for (;;) {
        data.startEvent.wait();
        if (pool.stop_.load()) {
            break;
        }
        try {
            pool.sliceLoop(data);
        } catch (...) {
            data.failure = std::current_exception();
            pool.stopHandingOut();
        }
        checkSignal(data.startEvent.reset());
        checkSignal(data.doneEvent.signal());
    }
    checkSignal(data.exitedEvent.signal());
}

void ThreadPool::sliceLoop(ThreadData& data) {
    RunningPoolMark mark(this);
    // A thread whose job failed takes no further slice, so none is taken and then dropped.
    while (data.result == 0) {
        std::int32_t slice = 0;
        {
            CriticalSectionGuard guard(counterLock_);
            slice = nextSlice_;
            if (nextSlice_ < jobSize_) {
                ++nextSlice_;
            }
        }
        if (slice >= jobSize_) {
            return;
        }
        data.result = function_(userData_, slice, jobSize_, data.index);
    }
}

void ThreadPool::stopHandingOut() {
    CriticalSectionGuard guard(counterLock_);
    nextSlice_ = jobSize_;
}

std::int32_t ThreadPool::runInline(std::int32_t n, void* userData, ParallelJob function) {
    std::int32_t result = 0;
    for (std::int32_t j = 0; j < n; ++j) {
        result = function(userData, j, n, 0);
        if (result != 0) {
            break;
        }
    }
    return result;
}

std::int32_t ThreadPool::run(std::int32_t n, void* userData, ParallelJob function) {
    if (isInsideJob()) {
        return runInline(n, userData, function);
    }
    if (n <= 0 || function == nullptr) {
        return 0;
    }
    CriticalSectionGuard guard(runLock_);
    jobSize_ = n;
    nextSlice_ = 0;
    function_ = function;
    userData_ = userData;
    stop_.store(false);
    for (const auto& data : threads_) {
        data->result = 0;
        data->failure = nullptr;
    }
    for (std::size_t i = 1; i < threads_.size(); ++i) {
        checkSignal(threads_[i]->doneEvent.reset());
        checkSignal(threads_[i]->startEvent.signal());
    }

    std::exception_ptr failure;
    try {
        sliceLoop(*threads_[0]);
    } catch (...) {
        // Hand out no further slices, and let the workers finish before the job's data goes away.
        failure = std::current_exception();
        stopHandingOut();
    }
    for (std::size_t i = 1; i < threads_.size(); ++i) {
        threads_[i]->doneEvent.wait();
        if (!failure) {
            failure = threads_[i]->failure;
        }
        threads_[i]->failure = nullptr;
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    // The caller's status first; a worker's failure must not pass for success either.
    for (const auto& data : threads_) {
        if (data->result != 0) {
            return data->result;
        }
    }
    return 0;
}

void ThreadPool::stopAll() {
    if (isInsideJob()) {
        return;
    }
    CriticalSectionGuard guard(runLock_);
    stopWorkers();
}

void ThreadPool::stopWorkers() {
    stop_.store(true);
    for (std::size_t i = 1; i < threads_.size(); ++i) {
        checkSignal(threads_[i]->startEvent.signal());
    }
    for (std::size_t i = 1; i < threads_.size(); ++i) {
        ThreadData& data = *threads_[i];
        // A thread that has already ended cannot say so itself.
        if (data.handle && data.handle->waitEnded(1)) {
            checkSignal(data.exitedEvent.signal());
        }
    }
    for (std::size_t i = 1; i < threads_.size(); ++i) {
        ThreadData& data = *threads_[i];
        if (data.handle) {
            data.exitedEvent.wait();
            data.handle->join();
            data.handle.reset();
        }
    }
    threadCount_ = 1;
    resetRecords(1);
    stop_.store(false);
}

} // namespace korvane
