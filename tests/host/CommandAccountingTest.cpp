// The accounts kept per command, without a plug-in: the handles a "plug-in" makes here through the memory
// directly are what a command would leave behind.
#include "host/CommandAccounting.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvhost {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class CommandAccountingTest : public ::testing::Test {
protected:
    HostMemory memory;
    HostSuites suites;
    CommandAccounting accounting{memory, suites};

    // One command whose plug-in handed back `out`.
    CommandReport& command(PF_Cmd cmd, const PF_OutData& out, const char* name = "command") {
        accounting.begin();
        accounting.adopt(out, cmd, nullptr);
        return accounting.report(name, PF_Err_NONE, {});
    }
    CommandReport& emptyCommand(const char* name = "command") {
        PF_OutData out{};
        out.global_data = accounting.globalData();
        out.sequence_data = accounting.sequenceData();
        return command(PF_Cmd_ABOUT, out, name);
    }
};

TEST_F(CommandAccountingTest, DataHandedBackIsTheHostsAndNoLeak) {
    PF_OutData out{};
    out.global_data = memory.newHandle(8);
    out.sequence_data = memory.newHandle(16);
    const CommandReport& r = command(PF_Cmd_SEQUENCE_SETUP, out);
    EXPECT_TRUE(r.clean()) << r.describe();
    EXPECT_EQ(accounting.globalData(), out.global_data);
    EXPECT_EQ(accounting.sequenceData(), out.sequence_data);
    EXPECT_EQ(memory.info(out.sequence_data).owner, "sequence data");
    EXPECT_FALSE(accounting.sequenceIsFlat());

    // Set-down gives both back to the plug-in: still live afterwards, they leak.
    const CommandReport& global = command(PF_Cmd_GLOBAL_SETDOWN, out);
    EXPECT_EQ(accounting.globalData(), nullptr);
    ASSERT_THAT(global.leakedHandles, SizeIs(1));
    EXPECT_EQ(global.leakedHandles[0].size, 8u);
    PF_OutData down{};
    down.sequence_data = out.sequence_data;
    const CommandReport& sequence = command(PF_Cmd_SEQUENCE_SETDOWN, down);
    EXPECT_EQ(accounting.sequenceData(), nullptr);
    ASSERT_THAT(sequence.leakedHandles, SizeIs(1));
    EXPECT_EQ(sequence.leakedHandles[0].size, 16u);
}

TEST_F(CommandAccountingTest, AnInjectedLeakAndALockedHandleAreReportedOnce) {
    accounting.begin();
    memory.newHandle(48);
    PF_Handle locked = memory.hostHandle({1, 2, 3}, "kept");
    memory.lock(locked);
    const CommandReport& r = accounting.report("PF_Cmd_RENDER", PF_Err_NONE, {"3 \"count\""});
    EXPECT_EQ(r.command, "PF_Cmd_RENDER");
    ASSERT_THAT(r.leakedHandles, SizeIs(1));
    EXPECT_EQ(r.leakedHandles[0].size, 48u);
    ASSERT_THAT(r.lockedHandles, SizeIs(1));
    EXPECT_EQ(r.lockedHandles[0].owner, "kept");
    EXPECT_THAT(r.paramsNotCheckedIn, ElementsAre("3 \"count\""));
    EXPECT_NE(accounting.problems().find("PF_Cmd_RENDER"), std::string::npos);

    memory.unlock(locked);
    EXPECT_TRUE(emptyCommand().clean());
    accounting.clearReports();
    EXPECT_EQ(accounting.problems(), "");
    EXPECT_TRUE(accounting.lastReport().command.empty());
}

TEST_F(CommandAccountingTest, ForeignOrVanishedDataIsAFault) {
    int notAHandle = 0;
    PF_OutData out{};
    out.global_data = reinterpret_cast<PF_Handle>(&notAHandle);
    out.sequence_data = reinterpret_cast<PF_Handle>(&notAHandle);
    const CommandReport& foreign = command(PF_Cmd_SEQUENCE_SETUP, out);
    EXPECT_EQ(accounting.globalData(), nullptr);
    EXPECT_EQ(accounting.sequenceData(), nullptr);
    EXPECT_THAT(foreign.faults, ElementsAre("global data is not a live host handle",
                                            "sequence data is not a live host handle"));

    PF_OutData kept{};
    kept.sequence_data = memory.newHandle(4);
    command(PF_Cmd_SEQUENCE_SETUP, kept);
    memory.dispose(kept.sequence_data); // by the plug-in, with nothing in its place
    const CommandReport& vanished = command(PF_Cmd_USER_CHANGED_PARAM, kept);
    EXPECT_THAT(vanished.faults, ElementsAre("sequence data disposed without a replacement"));
    EXPECT_EQ(accounting.sequenceData(), nullptr);
}

TEST_F(CommandAccountingTest, FlatSequenceDataIsTheHostsToDisposeAtResetup) {
    accounting.storeFlatSequence({'r', 'e', 'n', 'd', 'e', 'r', 's'});
    const PF_Handle flat = accounting.sequenceData();
    EXPECT_TRUE(accounting.sequenceIsFlat());
    EXPECT_EQ(memory.info(flat).owner, "flat sequence data");

    PF_OutData out{};
    out.sequence_data = memory.newHandle(16);
    EXPECT_TRUE(command(PF_Cmd_SEQUENCE_RESETUP, out).clean());
    EXPECT_FALSE(memory.isLive(flat));
    EXPECT_FALSE(accounting.sequenceIsFlat());
    EXPECT_EQ(accounting.sequenceData(), out.sequence_data);

    // A flatten hands the flat copy back; the old record is the plug-in's to free, or it leaks.
    PF_OutData flattened{};
    flattened.sequence_data = memory.newHandle(7);
    const CommandReport& r = command(PF_Cmd_SEQUENCE_FLATTEN, flattened);
    EXPECT_TRUE(accounting.sequenceIsFlat());
    ASSERT_THAT(r.leakedHandles, SizeIs(1));
    EXPECT_EQ(r.leakedHandles[0].size, 16u);
}

TEST_F(CommandAccountingTest, ValuesACallbackMadeArePutInTheHostsCare) {
    PF_ArbitraryH made = memory.newHandle(24);
    PF_ArbParamsExtra extra{};
    extra.which_function = PF_Arbitrary_COPY_FUNC;
    extra.u.copy_func_params.dst_arbPH = &made;
    accounting.begin();
    accounting.adopt(PF_OutData{}, PF_Cmd_ARBITRARY_CALLBACK, &extra);

    PF_PreRenderOutput preOutput{};
    preOutput.pre_render_data = memory.newHandle(32);
    PF_PreRenderExtra preExtra{nullptr, &preOutput, nullptr};
    accounting.adopt(PF_OutData{}, PF_Cmd_SMART_PRE_RENDER, &preExtra);
    EXPECT_TRUE(accounting.report("command", PF_Err_NONE, {}).clean());
    EXPECT_EQ(memory.info(made).owner, "arbitrary value");

    // Given up once the frame is done and still live: charged to the last command under its own name.
    memory.setOwner(static_cast<PF_Handle>(preOutput.pre_render_data), std::string());
    accounting.reportLate("pre-render data");
    ASSERT_THAT(accounting.lastReport().leakedHandles, SizeIs(1));
    EXPECT_EQ(accounting.lastReport().leakedHandles[0].owner, "pre-render data");
    EXPECT_EQ(accounting.lastReport().leakedHandles[0].size, 32u);
}

TEST_F(CommandAccountingTest, OnlySuitesAcquiredDuringTheCommandAreItsToRelease) {
    const void* suite = nullptr;
    ASSERT_EQ(suites.acquire(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1, &suite), kSPNoError);
    EXPECT_THAT(emptyCommand().suitesNotReleased, IsEmpty());

    accounting.begin();
    ASSERT_EQ(suites.acquire(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1, &suite), kSPNoError);
    accounting.fault("a bad call");
    const CommandReport& r = accounting.report("command", PF_Err_NONE, {});
    ASSERT_THAT(r.suitesNotReleased, SizeIs(1));
    EXPECT_NE(r.suitesNotReleased[0].find(kPFParamUtilsSuite), std::string::npos);
    EXPECT_THAT(r.faults, ElementsAre("a bad call"));
    EXPECT_THAT(emptyCommand().faults, IsEmpty()); // a fault is reported once
}

TEST_F(CommandAccountingTest, ParameterCheckoutsAreCheckedInOnce) {
    PF_ParamDef first{};
    PF_ParamDef second{};
    int value = 0;
    const auto temporary = reinterpret_cast<PF_Handle>(&value);
    accounting.checkOut(&first, {1, nullptr});
    accounting.checkOut(&second, {2, temporary});
    const auto in = accounting.checkIn(&first);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->index, 1);
    EXPECT_FALSE(accounting.checkIn(&first));

    const auto open = accounting.takeOpenCheckout();
    ASSERT_TRUE(open);
    EXPECT_EQ(open->index, 2);
    EXPECT_EQ(open->temporary, temporary);
    EXPECT_FALSE(accounting.takeOpenCheckout());
    EXPECT_FALSE(accounting.checkIn(&second));
}

} // namespace
} // namespace kvhost
