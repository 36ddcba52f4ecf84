#pragma once
#include "platform/ManualResetEvent.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace korvane {

using ThreadFunction = void (*)(void* argument);

// A started thread. Destroying the handle joins the thread.
class ThreadHandle {
public:
    ~ThreadHandle();
    ThreadHandle(const ThreadHandle&) = delete;
    ThreadHandle& operator=(const ThreadHandle&) = delete;

    void join();
    // True when the thread function has returned within the time limit.
    bool waitEnded(std::uint32_t milliseconds);
    std::uint32_t id() const { return id_; }

private:
    ThreadHandle() = default;
    friend std::unique_ptr<ThreadHandle> startThread(ThreadFunction, void*, std::uint32_t*);

    std::thread thread_;
    ManualResetEvent ended_;
    std::uint32_t id_ = 0;
};

// Starts function(argument) on a new thread with the default stack size and writes the new thread's id
// into *threadId before returning. Null when the thread cannot be created.
std::unique_ptr<ThreadHandle> startThread(ThreadFunction function, void* argument, std::uint32_t* threadId);

// Id of the calling thread: never 0, distinct for every thread of the process.
std::uint32_t currentThreadId();

// Test seam: when set, the hook is asked before every thread creation of the process and a false answer
// makes that creation fail. An empty hook restores normal creation.
using ThreadStartHook = std::function<bool()>;
void setThreadStartHook(ThreadStartHook hook);

} // namespace korvane
