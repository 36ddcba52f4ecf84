#include "platform/ManualResetEvent.h"

#include <chrono>
#include <system_error>

namespace korvane {

std::int32_t ManualResetEvent::signal() {
    try {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        changed_.notify_all();
        return 0;
    } catch (const std::system_error& error) {
        return error.code().value();
    }
}

std::int32_t ManualResetEvent::reset() {
    try {
        std::lock_guard lock(mutex_);
        signalled_ = false;
        return 0;
    } catch (const std::system_error& error) {
        return error.code().value();
    }
}

void ManualResetEvent::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return signalled_; });
}

bool ManualResetEvent::waitFor(std::uint32_t milliseconds) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return signalled_; });
}

bool ManualResetEvent::isSignalled() {
    std::lock_guard lock(mutex_);
    return signalled_;
}

} // namespace korvane
