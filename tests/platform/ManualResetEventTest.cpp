#include "platform/ManualResetEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace korvane {
namespace {

TEST(ManualResetEvent, StartsNotSignalledAndTimesOut) {
    ManualResetEvent event;
    EXPECT_FALSE(event.isSignalled());
    EXPECT_FALSE(event.waitFor(5));
}

TEST(ManualResetEvent, StaysSignalledUntilReset) {
    ManualResetEvent event;
    EXPECT_EQ(event.signal(), 0);
    EXPECT_TRUE(event.waitFor(0));
    EXPECT_TRUE(event.waitFor(0)); // a wait does not consume the signal
    event.wait();
    EXPECT_EQ(event.reset(), 0);
    EXPECT_FALSE(event.waitFor(1));
}

TEST(ManualResetEvent, ReleasesEveryWaiter) {
    ManualResetEvent event;
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            event.wait();
            ++released;
        });
    }
    event.signal();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released.load(), 4);
}

} // namespace
} // namespace korvane
