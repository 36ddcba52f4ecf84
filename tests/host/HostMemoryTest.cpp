#include "host/HostMemory.h"
#include "hostapi/PF_Errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace kvhost {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

TEST(HostMemory, ALockedHandleKeepsItsAddressAndContent) {
    HostMemory memory;
    PF_Handle h = memory.newHandle(16);
    ASSERT_NE(h, nullptr);
    auto* data = static_cast<char*>(memory.lock(h));
    std::strcpy(data, "curve");
    EXPECT_EQ(memory.lock(h), data); // locks nest
    memory.unlock(h);
    memory.unlock(h);
    EXPECT_EQ(memory.size(h), 16u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(memory.bytes(h).data())), "curve");
    memory.dispose(h);
    EXPECT_EQ(memory.liveCount(), 0u);
    EXPECT_THAT(memory.takeFaults(), IsEmpty());
}

TEST(HostMemory, ReportsAHandleNobodyOwnsOnce) {
    HostMemory memory;
    PF_Handle kept = memory.newHandle(8);
    PF_Handle leaked = memory.newHandle(24);
    memory.setOwner(kept, "sequence data");
    const std::vector<HandleInfo> leaks = memory.takeLeaks();
    ASSERT_THAT(leaks, SizeIs(1));
    EXPECT_EQ(leaks[0].size, 24u);
    EXPECT_EQ(leaks[0].serial, memory.info(leaked).serial);
    EXPECT_THAT(memory.takeLeaks(), IsEmpty());
}

TEST(HostMemory, ReportsAHandleLeftLocked) {
    HostMemory memory;
    PF_Handle h = memory.newHandle(8);
    memory.setOwner(h, "sequence data");
    memory.lock(h);
    ASSERT_THAT(memory.lockedHandles(), SizeIs(1));
    EXPECT_EQ(memory.lockedHandles()[0].owner, "sequence data");
    memory.unlock(h);
    EXPECT_THAT(memory.lockedHandles(), IsEmpty());
}

TEST(HostMemory, RecordsMisuseInsteadOfCrashing) {
    HostMemory memory;
    PF_Handle h = memory.newHandle(8);
    memory.unlock(h); // not locked
    memory.dispose(h);
    memory.dispose(h); // twice
    EXPECT_EQ(memory.lock(h), nullptr);
    EXPECT_EQ(memory.size(h), 0u);
    memory.lock(nullptr);
    const std::vector<std::string> faults = memory.takeFaults();
    ASSERT_THAT(faults, SizeIs(5));
    EXPECT_THAT(faults[0], HasSubstr("that is not locked"));
    EXPECT_THAT(faults[1], HasSubstr("dispose of an unknown handle"));
    EXPECT_THAT(faults[2], HasSubstr("lock of an unknown handle"));
    EXPECT_THAT(faults[4], HasSubstr("lock of a null handle"));
}

TEST(HostMemory, ADisposedHandleIsNeverGivenOutAgain) {
    HostMemory memory;
    PF_Handle first = memory.newHandle(8);
    memory.dispose(first);
    std::vector<PF_Handle> later;
    for (int i = 0; i < 50; ++i) {
        later.push_back(memory.newHandle(8));
        EXPECT_NE(later.back(), first);
    }
    // The stale handle stays unknown rather than reaching a newer block.
    EXPECT_EQ(memory.lock(first), nullptr);
    EXPECT_THAT(memory.takeFaults(), ElementsAre(HasSubstr("lock of an unknown handle")));
}

TEST(HostMemory, ReportsADisposeWhileLocked) {
    HostMemory memory;
    PF_Handle h = memory.newHandle(8);
    memory.lock(h);
    memory.dispose(h);
    EXPECT_THAT(memory.takeFaults(), ElementsAre(HasSubstr("while it is locked")));
    EXPECT_EQ(memory.liveCount(), 0u);
}

TEST(HostMemory, FailsTheNthAllocationOnly) {
    HostMemory memory;
    memory.newHandle(1); // before the injection: not counted towards it
    memory.failAllocation(3);
    EXPECT_NE(memory.newHandle(1), nullptr);
    EXPECT_NE(memory.newHandle(1), nullptr);
    EXPECT_EQ(memory.newHandle(1), nullptr);
    EXPECT_NE(memory.newHandle(1), nullptr);
    EXPECT_EQ(memory.allocationCount(), 5u);
}

TEST(HostMemory, FailsEveryAllocationAfterACount) {
    HostMemory memory;
    memory.failAllocationsAfter(2);
    EXPECT_NE(memory.newHandle(1), nullptr);
    EXPECT_NE(memory.newHandle(1), nullptr);
    EXPECT_EQ(memory.newHandle(1), nullptr);
    EXPECT_EQ(memory.newHandle(1), nullptr);
    memory.clearFailures();
    EXPECT_NE(memory.newHandle(1), nullptr);
}

TEST(HostMemory, FailsTheNthLockLeavingTheHandleUnlocked) {
    HostMemory memory;
    PF_Handle h = memory.newHandle(4);
    memory.lock(h); // before the injection: not counted towards it
    memory.unlock(h);
    memory.failLock(2);
    EXPECT_NE(memory.lock(h), nullptr);
    memory.unlock(h);
    EXPECT_EQ(memory.lock(h), nullptr);
    EXPECT_EQ(memory.info(h).lockCount, 0);
    EXPECT_NE(memory.lock(h), nullptr);
    memory.unlock(h);
    memory.failLock(1);
    memory.clearFailures();
    EXPECT_NE(memory.lock(h), nullptr);
    memory.unlock(h);
    EXPECT_THAT(memory.lockedHandles(), IsEmpty());
    EXPECT_THAT(memory.takeFaults(), IsEmpty());
}

TEST(HostMemory, HostHandlesAreNeverFailedByInjection) {
    HostMemory memory;
    memory.failAllocationsAfter(0);
    PF_Handle h = memory.hostHandle({1, 2, 3}, "flat sequence data");
    EXPECT_THAT(memory.bytes(h), ElementsAre(1, 2, 3));
    EXPECT_THAT(memory.takeLeaks(), IsEmpty());
}

TEST(HostMemory, RefusesAnAbsurdSize) {
    HostMemory memory;
    EXPECT_EQ(memory.newHandle(~std::uint64_t(0)), nullptr);
    EXPECT_EQ(memory.liveCount(), 0u);
}

TEST(HostMemory, ResizesAnUnlockedHandleKeepingItsBytes) {
    HostMemory memory;
    PF_Handle h = memory.newHandle(4);
    std::memcpy(memory.lock(h), "abcd", 4);
    EXPECT_EQ(memory.resize(64, &h), PF_Err_BAD_CALLBACK_PARAM); // locked: its address must stay
    memory.unlock(h);
    EXPECT_EQ(memory.resize(64, &h), PF_Err_NONE);
    EXPECT_EQ(memory.size(h), 64u);
    EXPECT_EQ(std::memcmp(memory.bytes(h).data(), "abcd", 4), 0);
    memory.failAllocation(1);
    EXPECT_EQ(memory.resize(128, &h), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(memory.size(h), 64u);
}

TEST(HostMemory, CountsAllocationsFromManyThreads) {
    HostMemory memory;
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&memory] {
            for (int i = 0; i < kEach; ++i) {
                PF_Handle h = memory.newHandle(32);
                *static_cast<int*>(memory.lock(h)) = i;
                memory.unlock(h);
                if (i % 2 == 0) {
                    memory.dispose(h);
                }
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(memory.allocationCount(), std::uint64_t(kThreads * kEach));
    EXPECT_EQ(memory.liveCount(), std::size_t(kThreads * kEach / 2));
    EXPECT_THAT(memory.lockedHandles(), IsEmpty());
    EXPECT_THAT(memory.takeFaults(), IsEmpty());
}

} // namespace
} // namespace kvhost
