// Everything handed to the plug-in must come back: the host reports what does not, and its failure
// injections (suites, allocations, aborts) reach the plug-in's failure paths.
#include "tests/host/ProbeFixture.h"

#include "host/HostError.h"

#include <gmock/gmock.h>

namespace kvhost {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class AccountingTest : public ProbeTest {
protected:
    RenderResult render(EffectInstance& instance) {
        RenderRequest request;
        request.input = pattern(8, 4, 8);
        return instance.renderSmart(request);
    }
};

TEST_F(AccountingTest, ACleanRenderReportsNothing) {
    auto instance = setUpInstance();
    ASSERT_EQ(render(*instance).result, PF_Err_NONE);
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_PRE_RENDER").clean());
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_RENDER").clean());
    EXPECT_EQ(instance->problems(), "");
}

TEST_F(AccountingTest, AHandleLeakedInARenderIsReported) {
    auto instance = setUpInstance();
    set("leakInRender", 1);
    render(*instance);
    const CommandReport& r = reportOf(*instance, "PF_Cmd_SMART_RENDER");
    ASSERT_THAT(r.leakedHandles, SizeIs(1));
    EXPECT_EQ(r.leakedHandles[0].size, 32u);
    EXPECT_THAT(r.describe(), HasSubstr("PF_Cmd_SMART_RENDER: handle #"));
    EXPECT_THAT(r.describe(), HasSubstr("of 32 bytes leaked"));
    // A leak is reported once, not again after the next command.
    set("leakInRender", 0);
    render(*instance);
    EXPECT_THAT(reportOf(*instance, "PF_Cmd_SMART_RENDER").leakedHandles, IsEmpty());
}

TEST_F(AccountingTest, AHandleLeftLockedIsReported) {
    auto instance = setUpInstance();
    set("lockInRender", 1);
    render(*instance);
    const CommandReport& r = reportOf(*instance, "PF_Cmd_SMART_RENDER");
    ASSERT_THAT(r.lockedHandles, SizeIs(1));
    EXPECT_EQ(r.lockedHandles[0].owner, "sequence data");
    EXPECT_FALSE(r.clean());
}

TEST_F(AccountingTest, AParameterLeftCheckedOutIsReportedAndCheckedIn) {
    auto instance = setUpInstance();
    set("keepCheckout", 1);
    render(*instance);
    EXPECT_THAT(reportOf(*instance, "PF_Cmd_SMART_RENDER").paramsNotCheckedIn, ElementsAre("3 \"count\""));
    set("keepCheckout", 0);
    render(*instance);
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_RENDER").clean());
}

TEST_F(AccountingTest, ProgressReportsAnAbortAfterNCalls) {
    auto instance = setUpInstance();
    set("progressCalls", 10);
    instance->abortAfterProgressCalls(3);
    const RenderResult result = render(*instance);
    EXPECT_EQ(result.result, PF_Interrupt_CANCEL);
    EXPECT_TRUE(result.output.empty());
    // Calls 1 to 3 succeeded; the probe stopped at the 4th, which reported the abort.
    EXPECT_EQ(instance->progressCalls(), 4);
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_RENDER").clean());
}

TEST_F(AccountingTest, ProgressWithoutAnAbortCountsEveryCall) {
    auto instance = setUpInstance();
    set("progressCalls", 10);
    EXPECT_EQ(render(*instance).result, PF_Err_NONE);
    EXPECT_EQ(instance->progressCalls(), 10);
}

TEST_F(AccountingTest, AFailedAllocationReachesThePlugin) {
    auto instance = setUpInstance();
    set("allocations", 5);
    instance->memory().failAllocation(3);
    EXPECT_EQ(render(*instance).result, PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_RENDER").clean());
    EXPECT_EQ(render(*instance).result, PF_Err_NONE); // only the third one failed
}

TEST_F(AccountingTest, AllocationsFailingFromSetupOn) {
    EffectInstance instance(plugin());
    ASSERT_EQ(instance.globalSetup(), PF_Err_NONE);
    instance.memory().failAllocationsAfter(0);
    EXPECT_EQ(instance.paramsSetup(), PF_Err_OUT_OF_MEMORY); // the arbitrary default
    EXPECT_EQ(instance.sequenceSetup(), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(instance.memory().liveCount(), 0u);
}

TEST_F(AccountingTest, WorkerThreadsAllocateScratchThroughTheHost) {
    auto instance = setUpInstance();
    set("scratchThreads", 4);
    const std::uint64_t before = instance->memory().allocationCount();
    ASSERT_EQ(render(*instance).result, PF_Err_NONE);
    EXPECT_EQ(instance->memory().allocationCount() - before, 800u);
    EXPECT_EQ(seen("scratchFailures"), 0);
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_RENDER").clean());
}

TEST_F(AccountingTest, IterateGenericRunsOncePerProcessorOrIsWithheld) {
    auto instance = setUpInstance();
    set("countProcessors", 1);
    instance->setProcessorCount(3);
    render(*instance);
    EXPECT_EQ(seen("processors"), 3);
    instance->offerIterateGeneric(false);
    render(*instance);
    EXPECT_EQ(seen("processors"), -1);
}

TEST_F(AccountingTest, PreRenderDataIsFreedByTheDeletionCallback) {
    auto instance = setUpInstance();
    set("preRenderData", 1);
    ASSERT_EQ(render(*instance).result, PF_Err_NONE);
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_PRE_RENDER").clean());
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_RENDER").clean());
}

TEST_F(AccountingTest, PreRenderDataWithoutADeletionCallbackLeaks) {
    auto instance = setUpInstance();
    set("preRenderData", 2);
    render(*instance);
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_PRE_RENDER").clean());
    const CommandReport& r = reportOf(*instance, "PF_Cmd_SMART_RENDER");
    ASSERT_THAT(r.leakedHandles, SizeIs(1));
    EXPECT_EQ(r.leakedHandles[0].owner, "pre-render data");
}

// A frame that fails after pre-render (here: a result too large to make) still has the plug-in free its
// pre-render data.
TEST_F(AccountingTest, PreRenderDataIsFreedWhenTheFrameFailsAfterPreRender) {
    auto instance = setUpInstance();
    set("preRenderData", 1);
    const std::size_t before = instance->memory().liveCount();
    RenderRequest request;
    request.input = std::make_shared<HostImage>(65537, 1, 8);
    EXPECT_THROW(instance->renderSmart(request), HostError);
    EXPECT_EQ(instance->memory().liveCount(), before);
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_PRE_RENDER").clean());
    // The instance renders on as before.
    ASSERT_EQ(render(*instance).result, PF_Err_NONE);
    EXPECT_EQ(instance->memory().liveCount(), before);
}

TEST_F(AccountingTest, LayersLeftCheckedOutAreCheckedInByTheHost) {
    auto instance = setUpInstance();
    instance->setLayer(kProbeLayer, pattern(4, 4, 8));
    render(*instance);
    EXPECT_EQ(reportOf(*instance, "PF_Cmd_SMART_RENDER").layersCheckedInByHost, 2);
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_SMART_RENDER").clean());
    set("checkinLayers", 1);
    render(*instance);
    EXPECT_EQ(reportOf(*instance, "PF_Cmd_SMART_RENDER").layersCheckedInByHost, 0);
}

TEST_F(AccountingTest, BadCallsAreAnsweredAndRecorded) {
    auto instance = setUpInstance();
    set("badCalls", 1);
    ASSERT_EQ(render(*instance).result, PF_Err_NONE);
    EXPECT_EQ(seen("badCheckin"), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(seen("badCheckout"), PF_Err_INVALID_INDEX);
    EXPECT_EQ(seen("zeroScale"), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(seen("badLock"), 1);
    const std::vector<std::string>& faults = reportOf(*instance, "PF_Cmd_SMART_RENDER").faults;
    ASSERT_THAT(faults, SizeIs(5));
    EXPECT_THAT(faults,
                ::testing::Contains(HasSubstr("checkin_param of a definition that is not checked out")));
    EXPECT_THAT(faults, ::testing::Contains(HasSubstr("checkout_param of index 99")));
    EXPECT_THAT(faults, ::testing::Contains(HasSubstr("dispose of an unknown handle")));
    EXPECT_THAT(faults, ::testing::Contains(HasSubstr("lock of a null handle")));
}

// Each callback with bad arguments is refused with an error code (or nothing) and leaves one fault that
// names it in the command's report.
TEST_F(AccountingTest, EveryCallbackCalledWithBadArgumentsIsRefusedAndRecorded) {
    auto instance = setUpInstance();
    set("everyBadCall", 1);
    ASSERT_EQ(render(*instance).result, PF_Err_NONE);
    for (const char* callback : {"checkout_param", "checkin_param", "add_param", "abort", "progress",
                                 "register_ui", "host_resize_handle", "iterate_generic", "checkout_layer",
                                 "checkout_layer_pixels", "checkin_layer_pixels", "checkout_output",
                                 "AcquireSuite", "ReleaseSuite", "PF_UpdateParamUI", "PF_AppGetBgColor"}) {
        EXPECT_NE(seen((std::string("bad ") + callback).c_str()), PF_Err_NONE) << callback;
    }
    for (const char* answeredNothing : {"sprintf", "strcpy", "host_lock_handle", "host_get_handle_size"}) {
        EXPECT_EQ(seen((std::string("bad ") + answeredNothing).c_str()), 1) << answeredNothing;
    }
    const std::vector<std::string>& faults = reportOf(*instance, "PF_Cmd_SMART_RENDER").faults;
    const std::vector<std::string> expected = {
        "checkout_param of index 99",
        "checkin_param of a definition that is not checked out",
        "add_param outside parameter setup",
        "abort with an effect reference that names no instance",
        "progress 5 of 2",
        "register_ui outside parameter setup",
        "sprintf without a buffer",
        "strcpy without a destination",
        "lock of a null handle",
        "unlock of a null handle",
        "dispose of an unknown handle",
        "size of a null handle",
        "resize without a handle",
        "iterate_generic without a function",
        "checkout_layer outside smart pre-render",
        "checkout_layer_pixels of checkout id 77",
        "checkin_layer_pixels of checkout id 77",
        "checkout_output outside smart render or without a result pointer",
        "AcquireSuite without a name",
        "release of suite PF Param Utils Suite v1 that is not acquired",
        "PF_UpdateParamUI of index 99",
        "PF_AppGetBgColor without a colour",
    };
    EXPECT_THAT(faults, SizeIs(expected.size()));
    for (const std::string& fault : expected) {
        EXPECT_THAT(faults, ::testing::Contains(HasSubstr(fault)));
    }
}

} // namespace
} // namespace kvhost
