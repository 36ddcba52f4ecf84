#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>

namespace korvane {
namespace {

struct Probe {
    std::atomic<std::uint32_t> idSeen{0};
    std::atomic<bool> ran{false};
};

void recordId(void* argument) {
    auto* probe = static_cast<Probe*>(argument);
    probe->idSeen = currentThreadId();
    probe->ran = true;
}

class ThreadStart : public ::testing::Test {
protected:
    void TearDown() override { setThreadStartHook({}); }
};

TEST_F(ThreadStart, RunsTheFunctionAndReportsTheNewThreadsId) {
    Probe probe;
    std::uint32_t id = 0;
    auto handle = startThread(&recordId, &probe, &id);
    ASSERT_NE(handle, nullptr);
    handle->join();
    EXPECT_TRUE(probe.ran);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(probe.idSeen.load(), id);
    EXPECT_NE(id, currentThreadId());
}

TEST_F(ThreadStart, EndedIsSeenOnlyAfterTheFunctionReturned) {
    Probe probe;
    auto handle = startThread(&recordId, &probe, nullptr);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(handle->waitEnded(10000));
    EXPECT_TRUE(probe.ran);
}

TEST_F(ThreadStart, HookMakesTheChosenCreationFail) {
    int asked = 0;
    setThreadStartHook([&] { return ++asked != 2; });
    Probe first;
    Probe second;
    Probe third;
    auto a = startThread(&recordId, &first, nullptr);
    std::uint32_t untouched = 77;
    auto b = startThread(&recordId, &second, &untouched);
    auto c = startThread(&recordId, &third, nullptr);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(untouched, 77u);
    EXPECT_NE(c, nullptr);
    a.reset();
    c.reset();
    EXPECT_TRUE(first.ran);
    EXPECT_FALSE(second.ran);
    EXPECT_TRUE(third.ran);
    EXPECT_EQ(asked, 3);
}

TEST_F(ThreadStart, IdsAreDistinctAndStablePerThread) {
    std::set<std::uint32_t> ids{currentThreadId()};
    EXPECT_EQ(currentThreadId(), *ids.begin());
    for (int i = 0; i < 8; ++i) {
        Probe probe;
        auto handle = startThread(&recordId, &probe, nullptr);
        handle->join();
        EXPECT_TRUE(ids.insert(probe.idSeen.load()).second);
    }
}

} // namespace
} // namespace korvane
