// The Absolute effect's parameters as the host sees them, and parameters 4 to 7 following and moving the
// editor's active node.
#include "tests/e2e/AbsoluteEffect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace korvane::testing {
namespace {

using ::testing::ElementsAre;

TEST(AbsoluteParameters, RegistersTheEightControlsWithTheirIdsFlagsAndDefaults) {
    AbsoluteEffect effect;
    kvhost::EffectInstance& host = effect.instance();
    ASSERT_EQ(host.parameterCount(), 9);
    EXPECT_EQ(host.lastOutData().num_params, 9);

    const struct {
        int index;
        const char* name;
        PF_ParamType type;
        A_long id;
        PF_ParamFlags flags;
    } expected[] = {
        {1, "channel", PF_Param_POPUP, 1, 66},
        {2, "curve", PF_Param_ARBITRARY_DATA, 2, 64},
        {3, "scale", PF_Param_POPUP, 3, 66},
        {4, "node x (input)", PF_Param_FLOAT_SLIDER, 4, 98},
        {5, "node y (output)", PF_Param_FLOAT_SLIDER, 5, 98},
        {6, "select node x (input)", PF_Param_COLOR, 6, 66},
        {7, "select node y (output)", PF_Param_COLOR, 7, 66},
        {8, "invert all", PF_Param_CHECKBOX, 14, 0},
    };
    for (const auto& e : expected) {
        const kvhost::HostParameter& p = host.parameter(e.index);
        EXPECT_EQ(p.name(), e.name);
        EXPECT_EQ(p.type(), e.type) << e.name;
        EXPECT_EQ(p.id(), e.id) << e.name;
        EXPECT_EQ(p.registered().flags, e.flags) << e.name;
    }

    const kvhost::HostParameter& channel = host.parameter(1);
    EXPECT_THAT(channel.choices(),
                ElementsAre("brightness", "saturation", "hue", "rgb", "red", "green", "blue", "alpha"));
    EXPECT_EQ(channel.registered().u.pd.dephault, 4);
    EXPECT_EQ(channel.registered().u.pd.value, 4);
    const kvhost::HostParameter& scale = host.parameter(3);
    EXPECT_THAT(scale.choices(),
                ElementsAre("Decimal (0.0-1.0)", "8-bpc (0-255)", "10-bpc (0-1023)", "16-bpc (0-32768)"));
    EXPECT_EQ(scale.registered().u.pd.dephault, 1);

    const kvhost::HostParameter& curve = host.parameter(2);
    EXPECT_EQ(curve.registered().ui_flags, PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL);
    EXPECT_EQ(curve.registered().ui_width, 9999);
    EXPECT_EQ(curve.registered().ui_height, 340);
    EXPECT_EQ(curve.registered().u.arb_d.id, 2);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(curve.registered().u.arb_d.refconPV), PF_FourCharCode("QZAC"));
    ASSERT_TRUE(curve.customUI.has_value());
    EXPECT_EQ(curve.customUI->events, PF_CustomEFlag_EFFECT);

    for (const int index : {4, 5}) {
        const PF_FloatSliderDef& slider = host.parameter(index).registered().u.fs_d;
        EXPECT_EQ(slider.valid_min, -9999999.0f);
        EXPECT_EQ(slider.valid_max, 9999999.0f);
        EXPECT_EQ(slider.slider_min, 0.0f);
        EXPECT_EQ(slider.slider_max, 1.0f);
        EXPECT_EQ(slider.value, 1.0);
        EXPECT_EQ(slider.dephault, 1.0f);
        EXPECT_EQ(slider.precision, 3);
        EXPECT_EQ(slider.curve_tolerance, 0.05f);
    }
    for (const int index : {6, 7}) {
        const PF_ColorDef& colour = host.parameter(index).registered().u.cd;
        for (const PF_Pixel& c : {colour.value, colour.dephault}) {
            EXPECT_EQ(c.alpha, 255);
            EXPECT_EQ(c.red, 255);
            EXPECT_EQ(c.green, 255);
            EXPECT_EQ(c.blue, 255);
        }
    }
    EXPECT_EQ(host.parameter(8).registered().u.bd.value, 0);
    EXPECT_EQ(host.parameter(8).registered().u.bd.dephault, 0);
    EXPECT_EQ(host.problems(), "");
}

TEST(AbsoluteParameters, ANewInstanceShowsTheRgbIdentityAndGreysOutTheNodeControls) {
    AbsoluteEffect effect;
    const auto states = effect.sequence();
    EXPECT_EQ(states->current, 3);
    EXPECT_EQ(states->scale, 1.0);
    for (const EditorState& state : states->states) {
        EXPECT_EQ(state.active, -1);
        EXPECT_EQ(state.viewXStart, 0.0);
        EXPECT_EQ(state.viewXEnd, 1.0);
        EXPECT_EQ(state.viewYStart, 0.0);
        EXPECT_EQ(state.viewYEnd, 1.0);
        EXPECT_EQ(state.hoveredElement, -1);
    }
    EXPECT_EQ(states->histogramMode, 0);
    const std::vector<std::uint8_t> flat = effect->arbitraryFlat(kCurveParam);
    EXPECT_EQ(std::string(flat.begin(), flat.end() - 1), writeCurveSet(defaultCurves()));

    ASSERT_EQ(effect->updateParamsUI(), PF_Err_NONE);
    // Enabled state in the order 4, 6, 5, 7, each refreshed by the host.
    std::vector<int> refreshed;
    for (const kvhost::ParamUIUpdate& update : effect->paramUIUpdates()) {
        refreshed.push_back(update.index);
        EXPECT_TRUE(update.def.ui_flags & PF_PUI_DISABLED) << update.index;
    }
    EXPECT_THAT(refreshed, ElementsAre(4, 6, 5, 7));
    EXPECT_EQ(effect->problems(), "");
}

// The rgb curve with a node at (0.5, 0.25) in slot 1, active and selected together with slot 0.
void activateMiddleNode(AbsoluteEffect& effect) {
    AbsoluteCurveSet set = defaultCurves();
    set.curves[3] = makeCurve({{0.0, 0.0}, {0.5, 0.25}, {1.0, 1.0}});
    effect.setCurves(set);
    auto states = AbsoluteEffect::newSequence();
    states->states[3].active = 1;
    states->states[3].selected[0] = 1;
    states->states[3].selected[1] = 1;
    effect.setSequence(*states);
}

TEST(AbsoluteParameters, TheNodeControlsShowTheActiveNodeAtTheChosenScale) {
    AbsoluteEffect effect;
    activateMiddleNode(effect);
    effect->clearParamUIUpdates();
    effect->setNumber(kScaleParam, 2);
    ASSERT_EQ(effect->userChangedParam(kScaleParam), PF_Err_NONE);

    const PF_FloatSliderDef& x = effect->parameter(kNodeXParam).current().u.fs_d;
    const PF_FloatSliderDef& y = effect->parameter(kNodeYParam).current().u.fs_d;
    EXPECT_EQ(x.value, 127.5);
    EXPECT_EQ(y.value, 63.75);
    EXPECT_EQ(x.slider_max, 255.0f);
    EXPECT_EQ(y.slider_max, 255.0f);
    EXPECT_EQ(x.precision, 0);
    EXPECT_EQ(y.precision, 0);
    // The rgb axis is grey: 0.5 and 0.25 of 255, truncated.
    const PF_Pixel selectX = effect->parameter(kSelectXParam).current().u.cd.value;
    const PF_Pixel selectY = effect->parameter(kSelectYParam).current().u.cd.value;
    EXPECT_EQ(selectX.red, 127);
    EXPECT_EQ(selectX.green, 127);
    EXPECT_EQ(selectX.blue, 127);
    EXPECT_EQ(selectY.red, 63);
    EXPECT_EQ(selectY.blue, 63);
    EXPECT_EQ(effect.sequence()->scale, 255.0);

    // Refreshed 4, 5, 6, 7 by the change, then enabled 4, 6, 5, 7 by the update that follows it.
    std::vector<int> refreshed;
    for (const kvhost::ParamUIUpdate& update : effect->paramUIUpdates()) {
        refreshed.push_back(update.index);
    }
    EXPECT_THAT(refreshed, ElementsAre(4, 5, 6, 7, 4, 6, 5, 7));
    EXPECT_FALSE(effect->parameter(kNodeXParam).current().ui_flags & PF_PUI_DISABLED);
    EXPECT_THAT(effect->changedParams(),
                ::testing::IsSupersetOf({kNodeXParam, kNodeYParam, kSelectXParam, kSelectYParam}));
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteParameters, TypingANodeValueMovesTheSelectionWithoutLimit) {
    AbsoluteEffect effect;
    activateMiddleNode(effect);
    effect->setNumber(kScaleParam, 2);
    ASSERT_EQ(effect->userChangedParam(kScaleParam), PF_Err_NONE);
    effect->setNumber(kNodeXParam, 510.0);
    ASSERT_EQ(effect->userChangedParam(kNodeXParam), PF_Err_NONE);

    const Curve rgb = effect.curves().curves[3];
    EXPECT_EQ(rgb.nodes[1].x, 2.0);
    EXPECT_EQ(rgb.nodes[1].y, 0.25);
    // Slot 0 was selected too and moved by the same 1.5; slot 2 was not.
    EXPECT_EQ(rgb.nodes[0].x, 1.5);
    EXPECT_EQ(rgb.nodes[0].y, 0.0);
    EXPECT_EQ(rgb.nodes[2].x, 1.0);
    EXPECT_EQ(effect->parameter(kNodeXParam).current().u.fs_d.value, 510.0);
    EXPECT_EQ(effect->parameter(kNodeYParam).current().u.fs_d.value, 63.75);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteParameters, ChoosingBrightnessShowsItsCurveWithoutAnActiveNode) {
    AbsoluteEffect effect;
    activateMiddleNode(effect);
    auto states = effect.sequence();
    states->states[0].active = 0;
    effect.setSequence(*states);
    effect->setNumber(kChannelParam, 1);
    ASSERT_EQ(effect->userChangedParam(kChannelParam), PF_Err_NONE);
    const auto after = effect.sequence();
    EXPECT_EQ(after->current, 0);
    EXPECT_EQ(after->states[0].active, -1);
    EXPECT_EQ(effect->parameter(kNodeXParam).current().u.fs_d.value, 0.0);
    EXPECT_EQ(effect->parameter(kSelectXParam).current().u.cd.value.red, 0);
    EXPECT_TRUE(effect->parameter(kSelectYParam).current().ui_flags & PF_PUI_DISABLED);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteParameters, TheChannelPopupFollowsTheEditorsChannel) {
    AbsoluteEffect effect;
    auto states = AbsoluteEffect::newSequence();
    states->current = 5;
    effect.setSequence(*states);
    ASSERT_EQ(effect->userChangedParam(kScaleParam), PF_Err_NONE);
    EXPECT_EQ(effect->parameter(kChannelParam).current().u.pd.value, 6);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteParameters, PickingAColourMovesTheActiveNodeToItsValue) {
    AbsoluteEffect effect;
    activateMiddleNode(effect);
    // Mean of 0.2, 0.4 and 0.6 in single precision: 0.4.
    effect->setColour(kSelectYParam, PF_Pixel{255, 51, 102, 153});
    ASSERT_EQ(effect->userChangedParam(kSelectYParam), PF_Err_NONE);
    const Curve rgb = effect.curves().curves[3];
    EXPECT_NEAR(rgb.nodes[1].y, 0.4, 1e-6);
    EXPECT_EQ(rgb.nodes[1].x, 0.5);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteParameters, PickingOnTheHueChannelMovesOnlyForAColour) {
    AbsoluteEffect effect;
    auto states = AbsoluteEffect::newSequence();
    states->current = 2;
    states->states[2].active = 0;
    states->states[2].selected[0] = 1;
    effect.setSequence(*states);
    effect->setNumber(kChannelParam, 3);

    effect->setColour(kSelectXParam, PF_Pixel{255, 128, 128, 128});
    ASSERT_EQ(effect->userChangedParam(kSelectXParam), PF_Err_NONE);
    EXPECT_EQ(effect.curves().curves[2].nodes[0].x, 0.5);

    // Red lies at 1/6 of the hue circle.
    effect->setColour(kSelectXParam, PF_Pixel{255, 255, 0, 0});
    ASSERT_EQ(effect->userChangedParam(kSelectXParam), PF_Err_NONE);
    EXPECT_NEAR(effect.curves().curves[2].nodes[0].x, 1.0 / 6.0, 1e-5);
    // The readout shows the hue axis at the node: red, faded.
    const PF_Pixel shown = effect->parameter(kSelectXParam).current().u.cd.value;
    EXPECT_GT(shown.red, shown.green + 50);
    EXPECT_NEAR(shown.green, shown.blue, 1);
    EXPECT_EQ(effect->problems(), "");
}

TEST(AbsoluteParameters, WithoutSequenceDataTheNodeControlsReportDamage) {
    AbsoluteEffect effect;
    ASSERT_EQ(effect->sequenceSetdown(), PF_Err_NONE);
    EXPECT_EQ(effect->userChangedParam(kScaleParam), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(effect->updateParamsUI(), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(effect->problems(), "");
}

} // namespace
} // namespace korvane::testing
