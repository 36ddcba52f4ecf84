#include "platform/Thread.h"

#include <atomic>
#include <mutex>
#include <system_error>

namespace korvane {
namespace {

std::atomic<std::uint32_t> nextThreadId{1};
thread_local std::uint32_t tlsThreadId = 0;

std::uint32_t takeThreadId() {
    std::uint32_t id = nextThreadId.fetch_add(1, std::memory_order_relaxed);
    while (id == 0) { // after wrapping around; 0 means "no thread"
        id = nextThreadId.fetch_add(1, std::memory_order_relaxed);
    }
    return id;
}

std::mutex hookMutex;
ThreadStartHook startHook;

bool creationAllowed() {
    std::lock_guard lock(hookMutex);
    return !startHook || startHook();
}

} // namespace

ThreadHandle::~ThreadHandle() {
    join();
}

void ThreadHandle::join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool ThreadHandle::waitEnded(std::uint32_t milliseconds) {
    return ended_.waitFor(milliseconds);
}

std::unique_ptr<ThreadHandle> startThread(ThreadFunction function, void* argument, std::uint32_t* threadId) {
    if (function == nullptr || !creationAllowed()) {
        return nullptr;
    }
    std::unique_ptr<ThreadHandle> handle(new ThreadHandle);
    handle->id_ = takeThreadId();
    try {
        handle->thread_ = std::thread([handle = handle.get(), function, argument, id = handle->id_] {
            tlsThreadId = id;
            function(argument);
            handle->ended_.signal();
        });
    } catch (const std::system_error&) {
        return nullptr;
    }
    if (threadId != nullptr) {
        *threadId = handle->id_;
    }
    return handle;
}

std::uint32_t currentThreadId() {
    if (tlsThreadId == 0) {
        tlsThreadId = takeThreadId();
    }
    return tlsThreadId;
}

void setThreadStartHook(ThreadStartHook hook) {
    std::lock_guard lock(hookMutex);
    startHook = std::move(hook);
}

} // namespace korvane
