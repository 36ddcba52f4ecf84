#include "FakeHost.h"
#include "RecordingEffect.h"
#include "tests/support/TestLog.h"

#include "framework/EntryPoint.h"
#include "framework/KorvaneException.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace korvane::testing {
namespace {

using fakehost::FakeHost;

// What the log gained while the object lived.
class LogGrowth {
public:
    LogGrowth() : before_(testlog::contents().size()) {}
    std::string added() const { return testlog::contents().substr(before_); }

private:
    std::size_t before_;
};

const std::map<PF_Cmd, std::string> kOperationOfCommand = {
    {0, "about"},         {1, "globalSetup"},        {3, "globalSetdown"},      {4, "paramsSetup"},
    {5, "sequenceSetup"}, {6, "sequenceResetup"},    {7, "sequenceFlatten"},    {8, "sequenceSetdown"},
    {10, "frameSetup"},   {12, "frameSetdown"},      {13, "userChangedParam"},  {14, "updateParamsUI"},
    {15, "handleEvent"},  {17, "completelyGeneral"}, {18, "queryDynamicFlags"}, {22, "arbitraryCallback"},
};

TEST(CommandTable, EachCommandReachesItsOperationOnly) {
    for (const auto& [cmd, operation] : kOperationOfCommand) {
        FakeHost host;
        RecordingEffect effect;
        PF_UserChangedParamExtra changed{5};
        const PF_Err err = effect.dispatch(cmd, &host.in, &host.out, nullptr, nullptr, &changed);
        EXPECT_EQ(err, PF_Err_NONE) << cmd;
        EXPECT_EQ(effect.calls, std::vector<std::string>{operation}) << cmd;
    }
}

TEST(CommandTable, CodesWithoutAnOperationReturnSuccessAndCallNothing) {
    for (PF_Cmd cmd : {-1, 2, 9, 16, 19, 20, 21, 25, 26, 40, 1000}) {
        FakeHost host;
        RecordingEffect effect;
        LogGrowth log;
        EXPECT_EQ(effect.dispatch(cmd, &host.in, &host.out, nullptr, nullptr, nullptr), PF_Err_NONE) << cmd;
        EXPECT_TRUE(effect.calls.empty()) << cmd;
        EXPECT_EQ(log.added(), "") << cmd;
    }
}

TEST(CommandTable, RenderCommandsWriteTheirLogLineFirst) {
    const std::map<PF_Cmd, std::string> lines = {
        {PF_Cmd_RENDER, "PF_Cmd_RENDER\n"},
        {PF_Cmd_SMART_PRE_RENDER, "PF_Cmd_SMART_PRE_RENDER\n"},
        {PF_Cmd_SMART_RENDER, "PF_Cmd_SMART_RENDER\n"},
    };
    for (const auto& [cmd, line] : lines) {
        FakeHost host;
        host.addLayer(0, 4, 2, 4, 9);
        host.output = std::make_unique<fakehost::FakeLayer>(4, 2, 4, 0);
        host.buildParams(1);
        host.preInput.output_request.rect = PF_LRect{0, 0, 4, 2};
        RecordingEffect effect;
        void* extra = cmd == PF_Cmd_SMART_PRE_RENDER ? static_cast<void*>(&host.preExtra)
                                                     : static_cast<void*>(&host.smartExtra);
        LogGrowth log;
        EXPECT_EQ(
            effect.dispatch(cmd, &host.in, &host.out, host.paramPointers.data(), &host.output->world, extra),
            PF_Err_NONE);
        EXPECT_EQ(log.added(), line);
    }
}

TEST(CommandTable, IndexCounterOfAnEmptyListEndsAtOne) {
    FakeHost host;
    RecordingEffect effect;
    EXPECT_EQ(effect.parameterCount(), 0);
    effect.dispatch(PF_Cmd_ABOUT, &host.in, &host.out, nullptr, nullptr, nullptr);
    EXPECT_EQ(effect.parameterCount(), 1);
}

TEST(CommandTable, BindsTheCallsRecordsAndTheBasicSuite) {
    FakeHost host;
    RecordingEffect effect;
    PF_LayerDef output{};
    PF_ParamDef* params[1] = {nullptr};
    int extra = 0;
    setBasicSuite(nullptr);
    effect.dispatch(PF_Cmd_EVENT, &host.in, &host.out, params, &output, &extra);
    EXPECT_EQ(effect.inData(), &host.in);
    EXPECT_EQ(effect.outData(), &host.out);
    EXPECT_EQ(effect.outputLayer(), &output);
    EXPECT_EQ(effect.params(), params);
    EXPECT_EQ(effect.extra(), &extra);
    EXPECT_EQ(basicSuite(), &host.basic);
}

// ---- exceptions -------------------------------------------------------------------------------

enum class Throw { Nothing, BadAlloc, Abort, Exception, HostError, RuntimeError, Integer };

class ThrowingEffect : public RecordingEffect {
public:
    using RecordingEffect::RecordingEffect;
    static inline Throw kind = Throw::Nothing;

    PF_Err about(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) override {
        switch (kind) {
        case Throw::BadAlloc:
            throw std::bad_alloc();
        case Throw::Abort:
            throw KorvaneAbort();
        case Throw::Exception:
            throw KorvaneException("curve table missing");
        case Throw::HostError:
            throw KorvaneHostError(PF_Err_BAD_CALLBACK_PARAM);
        case Throw::RuntimeError:
            throw std::runtime_error("unexpected");
        case Throw::Integer:
            throw 7;
        case Throw::Nothing:
            break;
        }
        return 99;
    }
};

PF_Err runThrowing(Throw kind, FakeHost& host) {
    ThrowingEffect::kind = kind;
    const EffectIdentity identity{"Test", "Korvane", "Test.\n", 1, 0, 7};
    return runEntryPoint<ThrowingEffect>(identity, PF_Cmd_ABOUT, &host.in, &host.out, nullptr, nullptr,
                                         nullptr);
}

TEST(ExceptionMapping, OutOfMemoryBecomesFourWithoutALogLine) {
    FakeHost host;
    LogGrowth log;
    EXPECT_EQ(runThrowing(Throw::BadAlloc, host), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(log.added(), "");
}

TEST(ExceptionMapping, AbortBecomesCancelWithoutALogLine) {
    FakeHost host;
    LogGrowth log;
    EXPECT_EQ(runThrowing(Throw::Abort, host), PF_Interrupt_CANCEL);
    EXPECT_EQ(log.added(), "");
}

TEST(ExceptionMapping, KorvaneExceptionIsSuccessWithOneWarningLine) {
    FakeHost host;
    LogGrowth log;
    EXPECT_EQ(runThrowing(Throw::Exception, host), PF_Err_NONE);
    EXPECT_EQ(log.added(), "-**### WARNING ###**-: caught unexpected exception: curve table missing\n");
}

TEST(ExceptionMapping, HostErrorPassesDispatchAndReachesTheHostAsItsCode) {
    FakeHost host;
    ThrowingEffect effect;
    ThrowingEffect::kind = Throw::HostError;
    EXPECT_THROW(effect.dispatch(PF_Cmd_ABOUT, &host.in, &host.out, nullptr, nullptr, nullptr),
                 KorvaneHostError);
    EXPECT_EQ(runThrowing(Throw::HostError, host), PF_Err_BAD_CALLBACK_PARAM);
}

TEST(ExceptionMapping, AnyOtherExceptionBecomesInternalStructDamaged) {
    FakeHost host;
    EXPECT_EQ(runThrowing(Throw::RuntimeError, host), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(runThrowing(Throw::Integer, host), PF_Err_INTERNAL_STRUCT_DAMAGED);
}

TEST(ExceptionMapping, WithoutAnExceptionTheOperationsResultIsReturned) {
    FakeHost host;
    EXPECT_EQ(runThrowing(Throw::Nothing, host), 99);
}

// ---- the entry point ---------------------------------------------------------------------------

class ProbeEffect : public RecordingEffect {
public:
    using RecordingEffect::RecordingEffect;
    static inline std::vector<int> seen;
    static inline std::vector<std::string> names;
    int stored = 0;

    PF_Err about(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) override {
        seen.push_back(stored);
        names.push_back(name() + "|" + maker() + "|" + description());
        stored = 42;
        return PF_Err_NONE;
    }
};

TEST(EntryPoint, EveryCallBuildsAFreshEffectObject) {
    FakeHost host;
    ProbeEffect::seen.clear();
    ProbeEffect::names.clear();
    const EffectIdentity identity{"Name", "Maker", "Description.\n", 1, 0, 7};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(runEntryPoint<ProbeEffect>(identity, PF_Cmd_ABOUT, &host.in, &host.out, nullptr, nullptr,
                                             nullptr),
                  PF_Err_NONE);
    }
    EXPECT_EQ(ProbeEffect::seen, (std::vector<int>{0, 0}));
    EXPECT_EQ(ProbeEffect::names[0], "Name|Maker|Description.\n");
}

TEST(EntryPoint, StoresTheBasicSuiteBeforeTheCommandRuns) {
    FakeHost host;
    setBasicSuite(nullptr);
    const EffectIdentity identity{"Name", "Maker", "Description.\n", 1, 0, 7};
    runEntryPoint<RecordingEffect>(identity, 999, &host.in, &host.out, nullptr, nullptr, nullptr);
    EXPECT_EQ(basicSuite(), &host.basic);
}

TEST(EntryPoint, MissingCommandRecordsAreRefused) {
    FakeHost host;
    const EffectIdentity identity{"Name", "Maker", "Description.\n", 1, 0, 7};
    EXPECT_EQ(
        runEntryPoint<RecordingEffect>(identity, PF_Cmd_ABOUT, nullptr, &host.out, nullptr, nullptr, nullptr),
        PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(
        runEntryPoint<RecordingEffect>(identity, PF_Cmd_ABOUT, &host.in, nullptr, nullptr, nullptr, nullptr),
        PF_Err_BAD_CALLBACK_PARAM);
}

// ---- suites --------------------------------------------------------------------------------------

class SuiteEffect : public RecordingEffect {
public:
    using RecordingEffect::RecordingEffect;
    PF_Err about(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) override {
        PF_App_Color colour{};
        appSuite()->PF_AppGetBgColor(&colour);
        appSuite()->PF_AppGetBgColor(&colour);
        return paramUtilsSuite() != nullptr ? PF_Err_NONE : 1;
    }
};

TEST(Suites, WithheldSuiteEndsTheCommandWith516) {
    FakeHost host;
    host.withheldSuites.insert(kPFParamUtilsSuite);
    const EffectIdentity identity{"Name", "Maker", "Description.\n", 1, 0, 7};
    EXPECT_EQ(
        runEntryPoint<SuiteEffect>(identity, PF_Cmd_ABOUT, &host.in, &host.out, nullptr, nullptr, nullptr),
        PF_Err_BAD_CALLBACK_PARAM);
    // The suite acquired before the failure was still released.
    EXPECT_EQ(host.suiteBalance["PF AE App Suite/2"], 0);
}

TEST(Suites, NullSuiteEndsTheCommandWith516AndIsGivenBack) {
    FakeHost host;
    host.nullSuites = true;
    const EffectIdentity identity{"Name", "Maker", "Description.\n", 1, 0, 7};
    EXPECT_EQ(
        runEntryPoint<SuiteEffect>(identity, PF_Cmd_ABOUT, &host.in, &host.out, nullptr, nullptr, nullptr),
        PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.suiteBalance["PF AE App Suite/2"], 0);
}

TEST(Suites, AcquiredOnceOnFirstUseAndReleasedWithTheObject) {
    FakeHost host;
    {
        SuiteEffect effect;
        EXPECT_EQ(effect.dispatch(PF_Cmd_ABOUT, &host.in, &host.out, nullptr, nullptr, nullptr), PF_Err_NONE);
        EXPECT_EQ(host.suiteBalance["PF AE App Suite/2"], 1);
        EXPECT_EQ(host.suiteBalance["PF Param Utils Suite/1"], 1);
    }
    EXPECT_EQ(host.suiteBalance["PF AE App Suite/2"], 0);
    EXPECT_EQ(host.suiteBalance["PF Param Utils Suite/1"], 0);
}

} // namespace
} // namespace korvane::testing
