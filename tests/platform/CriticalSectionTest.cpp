#include "platform/CriticalSection.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace korvane {
namespace {

TEST(CriticalSection, GuardsAReadModifyWriteAcrossThreads) {
    CriticalSection section;
    long counter = 0;
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                CriticalSectionGuard guard(section);
                const long seen = counter;
                counter = seen + 1;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, long{kThreads} * kRounds);
}

TEST(CriticalSection, GuardUnlocksWhenLeavingItsScope) {
    CriticalSection section;
    { CriticalSectionGuard guard(section); }
    bool taken = false;
    std::thread other([&] {
        section.lock();
        taken = true;
        section.unlock();
    });
    other.join();
    EXPECT_TRUE(taken);
}

} // namespace
} // namespace korvane
