#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace korvane {

// An event that stays signalled until it is reset; every waiter is released while it is signalled.
// Created non-signalled.
class ManualResetEvent {
public:
    ManualResetEvent() = default;
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    // Both return 0 or the system error code of a lock that could not be taken.
    std::int32_t signal();
    std::int32_t reset();

    void wait();
    // True when the event was signalled within the time limit.
    bool waitFor(std::uint32_t milliseconds);
    bool isSignalled();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

} // namespace korvane
