#include "tests/host/ProbeFixture.h"

#include "host/HostError.h"

#include <gmock/gmock.h>

#include <cstring>

namespace kvhost {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST_F(ProbeTest, SetUpRunsTheCommandsInTheHostsOrder) {
    auto instance = setUpInstance();
    std::vector<std::string> commands;
    for (const CommandReport& r : instance->reports()) {
        commands.push_back(r.command);
        EXPECT_EQ(r.result, PF_Err_NONE) << r.command;
        EXPECT_TRUE(r.clean()) << r.describe();
    }
    // The default came with add_param; the value is a new one made after sequence setup.
    EXPECT_THAT(commands, ElementsAre("PF_Cmd_GLOBAL_SETUP", "PF_Cmd_PARAMS_SETUP", "PF_Cmd_SEQUENCE_SETUP",
                                      "PF_Cmd_ARBITRARY_CALLBACK"));
    EXPECT_NE(instance->sequenceData(), nullptr);
    EXPECT_NE(instance->parameter(kProbeLevel).arbitraryValue, nullptr);
    EXPECT_NE(instance->parameter(kProbeLevel).arbitraryValue,
              instance->parameter(kProbeLevel).arbitraryDefault);
}

TEST_F(ProbeTest, AboutIsWrittenThroughTheHostsSprintf) {
    EffectInstance instance(plugin());
    EXPECT_EQ(instance.about(), "\273Probe\253 v2.2.6\rProbe effect.");
    EXPECT_TRUE(instance.lastReport().clean());
}

TEST_F(ProbeTest, KeepsEveryRegisteredParameter) {
    auto instance = setUpInstance();
    ASSERT_EQ(instance->parameterCount(), kProbeParamCount);
    const struct {
        int index;
        const char* name;
        PF_ParamType type;
        A_long id;
    } expected[] = {{kProbeMode, "mode", PF_Param_POPUP, 1},
                    {kProbeAmount, "amount", PF_Param_FLOAT_SLIDER, 2},
                    {kProbeCount, "count", PF_Param_SLIDER, 3},
                    {kProbeAngle, "angle", PF_Param_ANGLE, 4},
                    {kProbeEnabled, "enabled", PF_Param_CHECKBOX, 5},
                    {kProbeTint, "tint", PF_Param_COLOR, 6},
                    {kProbeCentre, "centre", PF_Param_POINT, 7},
                    {kProbeGroup, "group", PF_Param_GROUP_START, 8},
                    {kProbeLayer, "other layer", PF_Param_LAYER, 9},
                    {kProbeGroupEnd, "", PF_Param_GROUP_END, 10},
                    {kProbeLevel, "level", PF_Param_ARBITRARY_DATA, 11}};
    for (const auto& e : expected) {
        const HostParameter& p = instance->parameter(e.index);
        EXPECT_EQ(p.name(), e.name);
        EXPECT_EQ(p.type(), e.type) << e.name;
        EXPECT_EQ(p.id(), e.id) << e.name;
    }
    EXPECT_EQ(instance->parameter(0).type(), PF_Param_LAYER);

    const HostParameter& mode = instance->parameter("mode");
    EXPECT_THAT(mode.choices(), ElementsAre("copy", "level", "fill"));
    EXPECT_EQ(mode.choiceText(1), "copy");
    EXPECT_EQ(mode.choiceText(0), "");
    EXPECT_EQ(mode.choiceText(4), "");
    EXPECT_EQ(mode.registered().flags, PF_ParamFlag_SUPERVISE);
    EXPECT_EQ(instance->parameter(kProbeAmount).registered().u.fs_d.dephault, 1.5f);
    EXPECT_EQ(instance->parameter(kProbeAngle).registered().u.ad.dephault, 45 << 16);
    EXPECT_EQ(instance->parameter(kProbeTint).registered().u.cd.dephault.green, 20);
    EXPECT_EQ(instance->parameter(kProbeCentre).registered().u.td.y_dephault, 25 << 16);

    const HostParameter& level = instance->parameter(kProbeLevel);
    EXPECT_EQ(level.registered().ui_flags, PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL);
    EXPECT_EQ(level.registered().ui_width, 300);
    EXPECT_EQ(level.registered().ui_height, 200);
    ASSERT_TRUE(level.customUI.has_value());
    EXPECT_EQ(level.customUI->events, PF_CustomEFlag_EFFECT);
    EXPECT_FALSE(instance->parameter(kProbeMode).customUI.has_value());
}

TEST_F(ProbeTest, PassesTheHostVersionAndApplication) {
    EffectInstance instance(plugin());
    instance.setSpecVersion(12, 4);
    instance.setApplicationId(PF_APPL_ID_PREMIERE);
    ASSERT_EQ(instance.globalSetup(), PF_Err_NONE);
    EXPECT_EQ(seen("specMajor"), 12);
    EXPECT_EQ(seen("specMinor"), 4);
    EXPECT_EQ(A_u_long(seen("applId")), PF_FourCharCode("PrMr"));
    EffectInstance defaults(plugin());
    defaults.globalSetup();
    EXPECT_EQ(seen("specMajor"), 13);
    EXPECT_EQ(A_u_long(seen("applId")), PF_FourCharCode("FXTC"));
}

TEST_F(ProbeTest, AVersionThatDiffersFromTheRecordIsAFault) {
    set("wrongVersion", 1);
    EffectInstance instance(plugin());
    ASSERT_EQ(instance.globalSetup(), PF_Err_NONE);
    EXPECT_THAT(instance.lastReport().faults,
                ElementsAre("version 0x80000 differs from the registration record's 0x113200"));
}

TEST_F(ProbeTest, CopiesBackTheValuesThePluginChanged) {
    auto instance = setUpInstance();
    instance->setNumber(kProbeCount, 60);
    ASSERT_EQ(instance->userChangedParam(kProbeCount), PF_Err_NONE);
    EXPECT_EQ(instance->parameter(kProbeAmount).current().u.fs_d.value, 120.0);
    EXPECT_THAT(instance->changedParams(), ElementsAre(kProbeAmount));
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_USER_CHANGED_PARAM").clean());
    EXPECT_TRUE(reportOf(*instance, "PF_Cmd_UPDATE_PARAMS_UI").clean());
}

TEST_F(ProbeTest, AppliesAndRecordsParamUIUpdates) {
    auto instance = setUpInstance();
    instance->setNumber(kProbeCount, 60);
    instance->userChangedParam(kProbeCount);
    ASSERT_EQ(instance->paramUIUpdates().size(), 2u);
    EXPECT_EQ(instance->paramUIUpdates()[0].index, kProbeAngle);
    EXPECT_EQ(instance->parameter(kProbeAngle).current().ui_flags & PF_PUI_DISABLED, PF_PUI_DISABLED);
    EXPECT_EQ(instance->parameter(kProbeAmount).current().u.fs_d.slider_max, 200.0f);
    EXPECT_EQ(instance->parameter(kProbeAmount).current().u.fs_d.precision, 0);
    // The registered definition keeps what was registered.
    EXPECT_EQ(instance->parameter(kProbeAmount).registered().u.fs_d.slider_max, 10.0f);

    instance->setNumber(kProbeCount, 10);
    instance->userChangedParam(kProbeCount);
    EXPECT_EQ(instance->parameter(kProbeAngle).current().ui_flags & PF_PUI_DISABLED, 0);
}

TEST_F(ProbeTest, AWithheldSuiteIsRefused) {
    auto instance = setUpInstance();
    instance->suites().withhold(kPFParamUtilsSuite);
    EXPECT_EQ(instance->userChangedParam(kProbeCount), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(instance->suites().refusals(kPFParamUtilsSuite), 1);
    EXPECT_EQ(instance->suites().acquisitions(kPFParamUtilsSuite), 0);
    EXPECT_TRUE(instance->paramUIUpdates().empty());
    instance->suites().withhold(kPFParamUtilsSuite, false);
    EXPECT_EQ(instance->userChangedParam(kProbeCount), PF_Err_NONE);
    EXPECT_EQ(instance->suites().acquisitions(kPFParamUtilsSuite), 1);
    EXPECT_EQ(instance->suites().releases(kPFParamUtilsSuite), 1);
}

TEST_F(ProbeTest, ASuiteNotReleasedIsReported) {
    auto instance = setUpInstance();
    set("keepSuite", 1);
    instance->userChangedParam(kProbeCount);
    EXPECT_THAT(reportOf(*instance, "PF_Cmd_USER_CHANGED_PARAM").suitesNotReleased,
                ElementsAre("PF Param Utils Suite v1"));
    // Only the command that kept it is blamed.
    EXPECT_THAT(reportOf(*instance, "PF_Cmd_UPDATE_PARAMS_UI").suitesNotReleased, IsEmpty());
}

TEST_F(ProbeTest, SetNumberChecksTheParameter) {
    auto instance = setUpInstance();
    EXPECT_THROW(instance->setNumber(kProbeMode, 4), HostError);
    EXPECT_THROW(instance->setNumber(kProbeMode, 1.5), HostError);
    EXPECT_THROW(instance->setNumber(kProbeTint, 1), HostError);
    EXPECT_THROW(instance->setNumber(99, 1), HostError);
    instance->setNumber(kProbeAngle, 90.5);
    EXPECT_EQ(instance->parameter(kProbeAngle).current().u.ad.value, PF_Fixed(90.5 * 65536));
    EXPECT_THROW(instance->parameter("no such"), HostError);
}

TEST_F(ProbeTest, SequenceDataSurvivesFlattenAndResetup) {
    auto instance = setUpInstance();
    EXPECT_EQ(text(instance->flattenSequence()), std::string("renders 0\0", 10));
    EXPECT_TRUE(instance->sequenceIsFlat());
    ASSERT_EQ(instance->resetupSequence(), PF_Err_NONE);
    EXPECT_FALSE(instance->sequenceIsFlat());

    const std::string stored = "renders 5";
    ASSERT_EQ(instance->resetupSequence(std::vector<std::uint8_t>(stored.begin(), stored.end())),
              PF_Err_NONE);
    EXPECT_EQ(text(instance->flattenSequence()), std::string("renders 5\0", 10));
    for (const CommandReport& r : instance->reports()) {
        EXPECT_TRUE(r.clean()) << r.describe();
    }
}

TEST_F(ProbeTest, FlatSequenceDataIsSetUpAgainBeforeARender) {
    auto instance = setUpInstance();
    instance->flattenSequence();
    RenderRequest request;
    request.input = pattern(2, 2, 8);
    const std::size_t before = instance->reports().size();
    ASSERT_EQ(instance->renderSmart(request).result, PF_Err_NONE);
    ASSERT_GT(instance->reports().size(), before);
    EXPECT_EQ(instance->reports()[before].command, "PF_Cmd_SEQUENCE_RESETUP");
    EXPECT_FALSE(instance->sequenceIsFlat());
    EXPECT_EQ(instance->problems(), "");
}

TEST_F(ProbeTest, TheHostFreesAFlatCopyThePluginKeeps) {
    set("keepFlatSequence", 1);
    auto instance = setUpInstance();
    instance->flattenSequence();
    ASSERT_EQ(instance->resetupSequence(), PF_Err_NONE);
    EXPECT_TRUE(instance->lastReport().clean()) << instance->lastReport().describe();
}

TEST_F(ProbeTest, UnflatSequenceDataKeptAfterFlattenIsALeak) {
    set("keepRawSequence", 1);
    auto instance = setUpInstance();
    instance->flattenSequence();
    ASSERT_EQ(instance->lastReport().leakedHandles.size(), 1u);
    EXPECT_EQ(instance->lastReport().leakedHandles[0].size, 4u); // the raw record
}

TEST_F(ProbeTest, SetdownLeavesOnlyTheParameterValues) {
    auto instance = setUpInstance();
    ASSERT_EQ(instance->sequenceSetdown(), PF_Err_NONE);
    EXPECT_TRUE(instance->lastReport().clean()) << instance->lastReport().describe();
    EXPECT_EQ(instance->sequenceData(), nullptr);
    EXPECT_EQ(instance->memory().liveCount(), 2u); // the "level" default and value
}

} // namespace
} // namespace kvhost
