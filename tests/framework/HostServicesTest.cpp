#include "FakeHost.h"
#include "RecordingEffect.h"

#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace korvane::testing {
namespace {

using fakehost::FakeHost;

// An effect bound to the fake host's records, as dispatch leaves it.
struct BoundEffect {
    explicit BoundEffect(FakeHost& host, std::int32_t bugfix = 7)
        : effect("\xBBTest Curves\xAB", "Korvane", "Test Curves.\n", 1, 0, bugfix) {
        effect.dispatch(PF_Cmd_FRAME_SETDOWN, &host.in, &host.out, host.paramPointers.data(), nullptr,
                        nullptr);
    }
    RecordingEffect effect;
};

// ---- about ---------------------------------------------------------------------------------------

TEST(About, ThreePartVersionWhenThereIsABugfix) {
    FakeHost host;
    BoundEffect bound(host, 7);
    bound.effect.about(&host.in, &host.out, nullptr, nullptr);
    EXPECT_STREQ(host.out.return_msg, "\xBBTest Curves\xAB  v1.0.7\rTest Curves.\n");
}

TEST(About, TwoPartVersionWithoutABugfix) {
    FakeHost host;
    BoundEffect bound(host, 0);
    bound.effect.about(&host.in, &host.out, nullptr, nullptr);
    EXPECT_STREQ(host.out.return_msg, "\xBBTest Curves\xAB  v1.0\rTest Curves.\n");
}

TEST(About, ALongDescriptionIsCutToTheHostsField) {
    FakeHost host;
    RecordingEffect effect("Name", "Korvane", std::string(400, 'd'), 1, 0, 7);
    std::memset(host.out.return_msg, 'x', sizeof host.out.return_msg);
    effect.about(&host.in, &host.out, nullptr, nullptr);
    const std::string expected = ("Name  v1.0.7\r" + std::string(400, 'd')).substr(0, 255);
    EXPECT_EQ(std::string(host.out.return_msg), expected);
}

// ---- global setup ------------------------------------------------------------------------------

TEST(GlobalSetup, VersionAndFlagsOnA125Host) {
    FakeHost host;
    host.in.version = PF_SpecVersion{12, 5};
    host.out.out_flags2 = 0x3;
    RecordingEffect effect;
    EXPECT_EQ(effect.dispatch(PF_Cmd_GLOBAL_SETUP, &host.in, &host.out, nullptr, nullptr, nullptr),
              PF_Err_NONE);
    // major 1 << 19 | minor 0 << 15 | bugfix 7 << 11 | release stage 3 << 9
    EXPECT_EQ(host.out.my_version, (1u << 19) | (7u << 11) | (3u << 9));
    EXPECT_EQ(host.out.my_version, 0x00083E00u);
    EXPECT_EQ(host.out.out_flags, 0x02000000 | 0x04000000);
    EXPECT_EQ(host.out.out_flags2, 0x80 | 0x400 | 0x1000);
}

TEST(GlobalSetup, HostsBefore125KeepTheirFlags2) {
    for (PF_SpecVersion version : {PF_SpecVersion{12, 4}, PF_SpecVersion{11, 9}}) {
        FakeHost host;
        host.in.version = version;
        host.out.out_flags2 = 0x3;
        RecordingEffect effect;
        effect.dispatch(PF_Cmd_GLOBAL_SETUP, &host.in, &host.out, nullptr, nullptr, nullptr);
        EXPECT_EQ(host.out.out_flags2, 0x3);
    }
    FakeHost later;
    later.in.version = PF_SpecVersion{13, 0};
    RecordingEffect effect;
    effect.dispatch(PF_Cmd_GLOBAL_SETUP, &later.in, &later.out, nullptr, nullptr, nullptr);
    EXPECT_EQ(later.out.out_flags2, 0x1480);
}

TEST(FrameSetup, OutputOriginIsZero) {
    FakeHost host;
    host.out.origin = PF_Point{5, 6};
    RecordingEffect effect;
    effect.dispatch(PF_Cmd_FRAME_SETUP, &host.in, &host.out, nullptr, nullptr, nullptr);
    EXPECT_EQ(host.out.origin.h, 0);
    EXPECT_EQ(host.out.origin.v, 0);
}

// ---- error message -----------------------------------------------------------------------------

TEST(ErrorMessage, LongTextIsCutTo255CharactersAndTerminated) {
    FakeHost host;
    BoundEffect bound(host);
    std::memset(host.out.return_msg, 'x', sizeof host.out.return_msg);
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += char('a' + i % 26);
    }
    bound.effect.setErrorMessage(text);
    EXPECT_EQ(std::string(host.out.return_msg), text.substr(0, 255));
    EXPECT_EQ(host.out.return_msg[255], '\0');
}

TEST(ErrorMessage, EmptyTextLeavesTheFieldAlone) {
    FakeHost host;
    BoundEffect bound(host);
    std::strcpy(host.out.return_msg, "previous");
    bound.effect.setErrorMessage("");
    EXPECT_STREQ(host.out.return_msg, "previous");
    bound.effect.setErrorMessage("short");
    EXPECT_STREQ(host.out.return_msg, "short");
}

// ---- time --------------------------------------------------------------------------------------

TEST(Time, FrameRangeCurrentFrameAndRate) {
    FakeHost host;
    host.in.total_time = 300;
    host.in.local_time_step = 10;
    host.in.current_time = 45;
    host.in.time_scale = 240;
    BoundEffect bound(host);
    double first = -1.0;
    double last = -1.0;
    bound.effect.frameRange(&first, &last);
    EXPECT_EQ(first, 0.0);
    EXPECT_EQ(last, 29.0);
    EXPECT_EQ(bound.effect.currentFrame(), 4.5);
    EXPECT_EQ(bound.effect.frameOfLayer("any layer"), 4.5);
    EXPECT_EQ(bound.effect.framesPerSecond(), 24.0);
}

TEST(Time, ZeroTimeStepFallsBackInsteadOfDividing) {
    FakeHost host;
    host.in.local_time_step = 0;
    host.in.current_time = 45;
    BoundEffect bound(host);
    double first = -1.0;
    double last = -1.0;
    bound.effect.frameRange(&first, &last);
    EXPECT_EQ(first, -1.0);
    EXPECT_EQ(last, -1.0);
    EXPECT_EQ(bound.effect.currentFrame(), 0.0);
    EXPECT_EQ(bound.effect.framesPerSecond(), 1.0);
}

// ---- progress ----------------------------------------------------------------------------------

TEST(Progress, HostAbortIsReturnedAndKorvaneHostUsesItsCallable) {
    FakeHost host;
    host.abortAfter = 1;
    BoundEffect bound(host);
    EXPECT_EQ(bound.effect.progress(1, 10), PF_Err_NONE);
    EXPECT_EQ(bound.effect.progress(2, 10), PF_Interrupt_CANCEL);
    EXPECT_EQ(host.progressCalls, 2);

    KorvaneHost plain("Name", "Korvane", "", 1, 0, 7);
    EXPECT_EQ(plain.progress(1, 2), 0);
    int calls = 0;
    plain.setProgressCallable([&](std::int32_t current, std::int32_t total) {
        ++calls;
        return current < total;
    });
    EXPECT_EQ(plain.progress(1, 2), 0);
    EXPECT_EQ(plain.progress(2, 2), 2);
    EXPECT_EQ(calls, 2);
}

// ---- memory ------------------------------------------------------------------------------------

TEST(Memory, BlocksComeFromHostHandlesAndGoBack) {
    FakeHost host;
    BoundEffect bound(host);
    void* block = bound.effect.allocate(1000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u);
    EXPECT_GE(host.lastHandleSize, 1000u + sizeof(PF_Handle));
    EXPECT_EQ(host.handleCount(), 1u);
    EXPECT_EQ(host.lockedCount(), 1);
    std::memset(block, 0xAB, 1000);
    bound.effect.release(block);
    EXPECT_EQ(host.handleCount(), 0u);
    EXPECT_EQ(host.unknownHandleUses, 0);
    bound.effect.release(nullptr);
}

TEST(Memory, ManyBlocksEachKeepTheirWholeHandle) {
    FakeHost host;
    BoundEffect bound(host);
    std::vector<void*> blocks;
    for (int i = 0; i < 20; ++i) {
        blocks.push_back(bound.effect.allocate(std::size_t(i) * 7 + 1));
    }
    std::reverse(blocks.begin(), blocks.end());
    for (void* block : blocks) {
        bound.effect.release(block);
    }
    EXPECT_EQ(host.handleCount(), 0u);
    EXPECT_EQ(host.unknownHandleUses, 0);
}

TEST(Memory, FailuresReturnNullAndLeaveNoHandle) {
    FakeHost host;
    BoundEffect bound(host);
    host.failNewHandle = true;
    EXPECT_EQ(bound.effect.allocate(64), nullptr);
    host.failNewHandle = false;
    host.failLock = true;
    EXPECT_EQ(bound.effect.allocate(64), nullptr);
    EXPECT_EQ(host.handleCount(), 0u);
    host.failLock = false;
    host.lastHandleSize = 0;
    EXPECT_EQ(bound.effect.allocate(std::numeric_limits<std::size_t>::max()), nullptr);
    EXPECT_EQ(host.lastHandleSize, 0u); // an impossible size never reaches the host
}

TEST(Memory, KorvaneHostUsesItsCallablesOrTheHeap) {
    KorvaneHost plain("Name", "Korvane", "", 1, 0, 7);
    void* heap = plain.allocate(32);
    ASSERT_NE(heap, nullptr);
    plain.release(heap);

    int allocations = 0;
    int releases = 0;
    char storage[8];
    plain.setAllocationCallable([&](std::size_t) {
        ++allocations;
        return static_cast<void*>(storage);
    });
    plain.setReleaseCallable([&](void* memory) {
        EXPECT_EQ(memory, storage);
        ++releases;
    });
    EXPECT_EQ(plain.allocate(8), storage);
    plain.release(storage);
    EXPECT_EQ(allocations, 1);
    EXPECT_EQ(releases, 1);
}

// ---- thread count ------------------------------------------------------------------------------

TEST(ThreadCount, CountsProcessorsThroughTheHostWhenOffered) {
    FakeHost host;
    host.offerIterateGeneric(3);
    BoundEffect bound(host);
    EXPECT_EQ(bound.effect.threadCount(-1), 3);
    EXPECT_EQ(bound.effect.threadCount(2), 2);
    EXPECT_EQ(bound.effect.threadCount(8), 3);
    bound.effect.setThreadCountOverride(5);
    EXPECT_EQ(bound.effect.threadCount(-1), 5);
    EXPECT_EQ(bound.effect.threadCount(4), 4);
}

TEST(ThreadCount, OtherwiseTheProcessorCountAtLeastOne) {
    FakeHost host;
    BoundEffect bound(host);
    const std::int32_t processors = std::min(processorCount(), 64);
    EXPECT_EQ(bound.effect.threadCount(-1), processors);
    EXPECT_EQ(bound.effect.threadCount(1), 1);
    EXPECT_EQ(bound.effect.threadCount(0), processors);

    KorvaneHost plain("Name", "Korvane", "", 1, 0, 7);
    EXPECT_EQ(plain.threadCount(-1), processors);
    plain.setThreadCountOverride(6);
    EXPECT_EQ(plain.threadCount(-1), 6);
    EXPECT_EQ(plain.threadCount(2), 2);
}

// ---- enabling controls -------------------------------------------------------------------------

TEST(ParameterEnabled, SetsTheDisabledFlagAndRefreshesTheControl) {
    FakeHost host;
    host.buildParams(4);
    host.paramValues[2].param_type = PF_Param_FLOAT_SLIDER;
    host.paramValues[2].ui_flags = PF_PUI_DONT_ERASE_CONTROL;
    BoundEffect bound(host);
    EXPECT_EQ(bound.effect.setParameterEnabled(2, false), PF_Err_NONE);
    EXPECT_EQ(host.paramValues[2].ui_flags, PF_PUI_DONT_ERASE_CONTROL | PF_PUI_DISABLED);
    ASSERT_EQ(host.updatedParams.size(), 1u);
    EXPECT_EQ(host.updatedParams[0].first, 2);
    EXPECT_EQ(host.updatedParams[0].second.ui_flags, PF_PUI_DONT_ERASE_CONTROL | PF_PUI_DISABLED);
    EXPECT_EQ(bound.effect.setParameterEnabled(2, true), PF_Err_NONE);
    EXPECT_EQ(host.paramValues[2].ui_flags, PF_PUI_DONT_ERASE_CONTROL);
    EXPECT_EQ(host.updatedParams.size(), 2u);
    EXPECT_EQ(host.suiteBalance["PF Param Utils Suite/1"], 0);
}

TEST(ParameterEnabled, PremiereRefreshesLayerControlsOnly) {
    FakeHost host;
    host.in.appl_id = PF_APPL_ID_PREMIERE;
    host.buildParams(3);
    host.paramValues[1].param_type = PF_Param_CHECKBOX;
    host.paramValues[2].param_type = PF_Param_LAYER;
    BoundEffect bound(host);
    bound.effect.setParameterEnabled(1, false);
    EXPECT_EQ(host.paramValues[1].ui_flags, PF_PUI_DISABLED);
    EXPECT_TRUE(host.updatedParams.empty());
    bound.effect.setParameterEnabled(2, false);
    ASSERT_EQ(host.updatedParams.size(), 1u);
    EXPECT_EQ(host.updatedParams[0].first, 2);
}

TEST(ParameterEnabled, IndexOutsideTheParameterArrayIsRefused) {
    FakeHost host;
    host.buildParams(3);
    BoundEffect bound(host);
    EXPECT_EQ(bound.effect.setParameterEnabled(3, false), PF_Err_INVALID_INDEX);
    EXPECT_EQ(bound.effect.setParameterEnabled(-1, false), PF_Err_INVALID_INDEX);
    EXPECT_TRUE(host.updatedParams.empty());
}

} // namespace
} // namespace korvane::testing
