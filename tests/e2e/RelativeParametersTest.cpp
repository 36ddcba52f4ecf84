// What the host sees of the Relative effect's controls: the registered parameters, the mirrors of the
// per-property settings, the slider ranges, enabling, and the node controls with their colour readout.
#include "tests/e2e/RelativeEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace korvane::relativetest {
namespace {

using kvhost::HostParameter;

struct Registered {
    int index;
    const char* name;
    PF_ParamType type;
    A_long id;
    PF_ParamFlags flags;
};

TEST(RelativeParameters, TheThirteenParametersAreRegisteredAsStored) {
    RelativeEffect effect;
    ASSERT_EQ(effect->parameterCount(), 13);
    const Registered expected[] = {
        {1, "change", PF_Param_POPUP, 1, 0x42},
        {2, "based on", PF_Param_POPUP, 2, 0x46},
        {3, "change by", PF_Param_POPUP, 4, 0x46},
        {4, "change factor", PF_Param_FLOAT_SLIDER, 5, 0x66},
        {5, "curve", PF_Param_ARBITRARY_DATA, 6, 0x40},
        {6, "scale", PF_Param_POPUP, 7, 0x42},
        {7, "node x (input)", PF_Param_FLOAT_SLIDER, 8, 0x62},
        {8, "node y (ouput)", PF_Param_FLOAT_SLIDER, 9, 0x62},
        {9, "select node x (input)", PF_Param_COLOR, 10, 0x42},
        {10, "pre blur", PF_Param_FLOAT_SLIDER, 16, 0x20},
        {11, "base layer", PF_Param_LAYER, 3, 0},
        {12, "show", PF_Param_POPUP, 15, 0},
    };
    for (const Registered& r : expected) {
        const HostParameter& p = effect->parameter(r.index);
        EXPECT_EQ(p.name(), r.name) << r.index;
        EXPECT_EQ(p.type(), r.type) << r.index;
        EXPECT_EQ(p.id(), r.id) << r.index;
        EXPECT_EQ(p.registered().flags, r.flags) << r.index;
    }
    EXPECT_EQ(effect->parameter(1).choices(),
              (std::vector<std::string>{"brightness", "saturation", "hue", "red", "green", "blue", "alpha",
                                        "post blur"}));
    const std::vector<std::string>& basedOn = effect->parameter(2).choices();
    ASSERT_EQ(basedOn.size(), 16u);
    EXPECT_EQ(basedOn[7], "(-");
    EXPECT_EQ(basedOn[8], "brightness curve");
    EXPECT_EQ(basedOn[15], "post blur curve");
    EXPECT_EQ(std::string(effect->parameter(2).registered().u.pd.u.namesptr),
              "brightness | saturation | hue | red | green | blue | alpha |(-| brightness curve | saturation "
              "curve | hue curve | red curve| green curve | blue curve | alpha curve | post blur curve");
    EXPECT_EQ(effect->parameter(3).choices(), (std::vector<std::string>{"multiplication", "addition"}));
    EXPECT_EQ(effect->parameter(6).choices().size(), 4u);
    EXPECT_EQ(effect->parameter(12).choices(),
              (std::vector<std::string>{"normal", "node range", "matte", "colored matte"}));
    for (const int popup : {1, 2, 3, 6, 12}) {
        EXPECT_EQ(effect->parameter(popup).registered().u.pd.dephault, 1) << popup;
        EXPECT_EQ(effect->parameter(popup).current().u.pd.value, 1) << popup;
    }

    const PF_FloatSliderDef& factor = effect->parameter(4).registered().u.fs_d;
    EXPECT_EQ(factor.valid_min, -9999999.0f);
    EXPECT_EQ(factor.valid_max, 9999999.0f);
    EXPECT_EQ(factor.slider_min, 0.0f);
    EXPECT_EQ(factor.slider_max, 1.0f);
    EXPECT_EQ(factor.dephault, 1.0f);
    EXPECT_EQ(factor.precision, 3);
    EXPECT_EQ(factor.curve_tolerance, 0.05f);
    const PF_FloatSliderDef& preBlur = effect->parameter(10).registered().u.fs_d;
    EXPECT_EQ(preBlur.valid_min, 0.0f);
    EXPECT_EQ(preBlur.slider_max, 10.0f);
    EXPECT_EQ(preBlur.dephault, 0.0f);
    const PF_Pixel white = effect->parameter(9).registered().u.cd.dephault;
    EXPECT_EQ(white.alpha + white.red + white.green + white.blue, 4 * 255);

    const HostParameter& curve = effect->parameter(5);
    EXPECT_EQ(curve.registered().ui_width, 9999);
    EXPECT_EQ(curve.registered().ui_height, 340);
    EXPECT_EQ(curve.registered().ui_flags, 0x82);
    ASSERT_TRUE(curve.customUI.has_value());
    EXPECT_EQ(curve.customUI->events, PF_CustomEFlag_EFFECT);
    EXPECT_EQ(effect->problems(), "");
}

// Red based on blue by addition with factor 0.3; everything else at the defaults.
RelativeCurveSet distinctRed() {
    RelativeCurveSet set = defaultCurves();
    set.basedOn[3] = 5;
    set.changeBy[3] = 1;
    set.changeFactor[3] = 0.3;
    return set;
}

TEST(RelativeParameters, SwitchingChangeMirrorsThatPropertysSettings) {
    RelativeEffect effect;
    effect.setCurves(distinctRed());
    effect->setNumber(kChangeParam, 4);
    ASSERT_EQ(effect->userChangedParam(kChangeParam), PF_Err_NONE);
    EXPECT_EQ(effect->parameter(kBasedOnParam).current().u.pd.value, 6);
    EXPECT_EQ(effect->parameter(kChangeByParam).current().u.pd.value, 2);
    EXPECT_DOUBLE_EQ(effect->parameter(kFactorParam).current().u.fs_d.value, 0.3);
    EXPECT_EQ(effect.sequence()->current, 3);

    effect->setNumber(kChangeParam, 8);
    ASSERT_EQ(effect->userChangedParam(kChangeParam), PF_Err_NONE);
    EXPECT_EQ(effect->parameter(kBasedOnParam).current().u.pd.value, 1);
    EXPECT_EQ(effect->parameter(kChangeByParam).current().u.pd.value, 1);
    EXPECT_DOUBLE_EQ(effect->parameter(kFactorParam).current().u.fs_d.value, 10.0);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeParameters, ChangingTheMirrorsChangesOnlyTheChosenProperty) {
    RelativeEffect effect;
    effect.setCurves(distinctRed());
    effect->setNumber(kChangeParam, 5); // green
    ASSERT_EQ(effect->userChangedParam(kChangeParam), PF_Err_NONE);
    effect->setNumber(kBasedOnParam, 12); // "red curve"
    ASSERT_EQ(effect->userChangedParam(kBasedOnParam), PF_Err_NONE);
    effect->setNumber(kChangeByParam, 2);
    ASSERT_EQ(effect->userChangedParam(kChangeByParam), PF_Err_NONE);
    effect->setNumber(kFactorParam, -0.75);
    ASSERT_EQ(effect->userChangedParam(kFactorParam), PF_Err_NONE);
    const RelativeCurveSet set = effect.curves();
    const RelativeCurveSet expected = distinctRed();
    for (int k = 0; k < 8; ++k) {
        if (k == 4) {
            continue;
        }
        EXPECT_EQ(set.basedOn[std::size_t(k)], expected.basedOn[std::size_t(k)]) << k;
        EXPECT_EQ(set.changeBy[std::size_t(k)], expected.changeBy[std::size_t(k)]) << k;
        EXPECT_EQ(set.changeFactor[std::size_t(k)], expected.changeFactor[std::size_t(k)]) << k;
    }
    EXPECT_EQ(set.basedOn[4], 11);
    EXPECT_EQ(set.changeBy[4], 1);
    EXPECT_DOUBLE_EQ(set.changeFactor[4], -0.75);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeParameters, BasedOnHueMakesTheCurveLoop) {
    RelativeEffect effect;
    effect->setNumber(kChangeParam, 2);
    ASSERT_EQ(effect->userChangedParam(kChangeParam), PF_Err_NONE);
    effect->setNumber(kBasedOnParam, 3);
    ASSERT_EQ(effect->userChangedParam(kBasedOnParam), PF_Err_NONE);
    EXPECT_EQ(effect.curves().curves[1].loop, 1);
    EXPECT_EQ(effect.curves().curves[0].loop, 0);
    effect->setNumber(kBasedOnParam, 4);
    ASSERT_EQ(effect->userChangedParam(kBasedOnParam), PF_Err_NONE);
    EXPECT_EQ(effect.curves().curves[1].loop, 0);
}

TEST(RelativeParameters, ChangeByIsDisabledForHueAndPostBlur) {
    RelativeEffect effect;
    for (const int change : {1, 2, 3, 4, 5, 6, 7, 8}) {
        effect->setNumber(kChangeParam, change);
        ASSERT_EQ(effect->userChangedParam(kChangeParam), PF_Err_NONE);
        const bool disabled = (effect->parameter(kChangeByParam).current().ui_flags & PF_PUI_DISABLED) != 0;
        EXPECT_EQ(disabled, change == 3 || change == 8) << change;
    }
    EXPECT_EQ(effect->problems(), "");
}

// Chooses `change` in the "change" popup; returns the factor slider's maxima the plug-in sent the host.
std::vector<float> factorSliderMaximaOnChoosing(RelativeEffect& effect, int change) {
    effect->clearParamUIUpdates();
    effect->setNumber(kChangeParam, change);
    EXPECT_EQ(effect->userChangedParam(kChangeParam), PF_Err_NONE);
    std::vector<float> maxima;
    for (const kvhost::ParamUIUpdate& update : effect->paramUIUpdates()) {
        if (update.index == kFactorParam) {
            maxima.push_back(update.def.u.fs_d.slider_max);
        }
    }
    return maxima;
}

TEST(RelativeParameters, TheFactorSlidesToFiftyForPostBlurAndToOneOtherwise) {
    RelativeEffect effect;
    for (const int change : {8, 2, 8, 1}) {
        const std::vector<float> maxima = factorSliderMaximaOnChoosing(effect, change);
        // First one above the value (10 for post blur, 1 otherwise), then the range itself.
        ASSERT_GE(maxima.size(), 2u) << change;
        EXPECT_EQ(maxima.front(), change == 8 ? 11.0f : 2.0f) << change;
        EXPECT_EQ(maxima.back(), change == 8 ? 50.0f : 1.0f) << change;
        EXPECT_EQ(effect->parameter(kFactorParam).current().u.fs_d.slider_max, change == 8 ? 50.0f : 1.0f);
    }
}

TEST(RelativeParameters, AHandEditedFactorWidensTheSliderOnlyToItsLimits) {
    RelativeEffect effect;
    RelativeCurveSet set = defaultCurves();
    set.changeFactor[3] = 1e147;
    set.changeFactor[4] = -1e147;
    effect.setCurves(set);
    for (const int change : {4, 5}) {
        const std::vector<float> maxima = factorSliderMaximaOnChoosing(effect, change);
        ASSERT_GE(maxima.size(), 2u) << change;
        // 9999999 + 1, or -9999999 + 1.
        EXPECT_EQ(maxima.front(), change == 4 ? 10000000.0f : -9999998.0f) << change;
        EXPECT_EQ(maxima.back(), 1.0f) << change;
    }
}

// Property `property` with nodes at 0, 0.5 and 1, the middle one active and selected.
void withActiveMiddleNode(RelativeEffect& effect, int property, int basedOn) {
    RelativeCurveSet set = defaultCurves();
    set.curves[std::size_t(property)] = polylineCurve({{0.0, 0.0}, {0.5, 0.2}, {1.0, 0.0}});
    set.basedOn[std::size_t(property)] = basedOn;
    effect.setCurves(set);
    auto sequence = RelativeEffect::newSequence();
    sequence->current = property;
    sequence->states[std::size_t(property)].active = 1;
    sequence->states[std::size_t(property)].selected[1] = 1;
    effect.setSequence(*sequence);
    effect->setNumber(kChangeParam, property + 1);
}

TEST(RelativeParameters, TheNodeControlsShowTheActiveNodeAtTheDisplayScale) {
    RelativeEffect effect;
    withActiveMiddleNode(effect, 3, 3);
    effect->setNumber(kScaleParam, 2);
    ASSERT_EQ(effect->userChangedParam(kScaleParam), PF_Err_NONE);
    const PF_FloatSliderDef& x = effect->parameter(kNodeXParam).current().u.fs_d;
    const PF_FloatSliderDef& y = effect->parameter(kNodeYParam).current().u.fs_d;
    EXPECT_DOUBLE_EQ(x.value, 127.5);
    EXPECT_NEAR(y.value, 51.0, 1e-9);
    EXPECT_EQ(x.precision, 0);
    EXPECT_EQ(x.slider_max, 255.0f);
    EXPECT_EQ(effect->parameter(kNodeXParam).current().ui_flags & PF_PUI_DISABLED, 0);
    // Red at x 0.5 faded a quarter: (0.5, 0, 0) x 255.
    const PF_Pixel readout = effect->parameter(kSelectXParam).current().u.cd.value;
    EXPECT_EQ(readout.red, 127);
    EXPECT_EQ(readout.green, 0);
    EXPECT_EQ(readout.blue, 0);

    // Typing 204 moves the node to 0.8.
    effect->setNumber(kNodeXParam, 204);
    ASSERT_EQ(effect->userChangedParam(kNodeXParam), PF_Err_NONE);
    EXPECT_NEAR(effect.curves().curves[3].nodes[1].x, 0.8, 1e-7);
    EXPECT_NEAR(effect.curves().curves[3].nodes[1].y, 0.2, 1e-7);

    effect->setNumber(kScaleParam, 1);
    ASSERT_EQ(effect->userChangedParam(kScaleParam), PF_Err_NONE);
    EXPECT_EQ(effect->parameter(kNodeXParam).current().u.fs_d.precision, 3);
    EXPECT_EQ(effect->parameter(kNodeXParam).current().u.fs_d.slider_max, 1.0f);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeParameters, WithoutAnActiveNodeTheNodeControlsAreDisabledAndBlack) {
    RelativeEffect effect;
    effect->setNumber(kScaleParam, 2);
    ASSERT_EQ(effect->userChangedParam(kScaleParam), PF_Err_NONE);
    for (const int index : {kNodeXParam, kNodeYParam, kSelectXParam}) {
        EXPECT_NE(effect->parameter(index).current().ui_flags & PF_PUI_DISABLED, 0) << index;
    }
    EXPECT_EQ(effect->parameter(kNodeXParam).current().u.fs_d.value, 0.0);
    const PF_Pixel readout = effect->parameter(kSelectXParam).current().u.cd.value;
    EXPECT_EQ(readout.red + readout.green + readout.blue, 0);
    EXPECT_EQ(readout.alpha, 255);
}

TEST(RelativeParameters, PickingAColourMovesTheNodeToItsValue) {
    RelativeEffect effect;
    withActiveMiddleNode(effect, 3, 3); // red based on red
    effect->setColour(kSelectXParam, PF_Pixel{255, 204, 10, 0});
    ASSERT_EQ(effect->userChangedParam(kSelectXParam), PF_Err_NONE);
    EXPECT_NEAR(effect.curves().curves[3].nodes[1].x, 0.8, 1e-12);
    EXPECT_NEAR(effect.curves().curves[3].nodes[1].y, 0.2, 1e-12);
    EXPECT_EQ(effect->problems(), "");
}

TEST(RelativeParameters, PickingAColourWhileChangingHueMovesNothing) {
    RelativeEffect effect;
    withActiveMiddleNode(effect, 2, 3); // hue based on red
    effect->setColour(kSelectXParam, PF_Pixel{255, 204, 10, 0});
    ASSERT_EQ(effect->userChangedParam(kSelectXParam), PF_Err_NONE);
    EXPECT_EQ(effect.curves().curves[2].nodes[1].x, 0.5);
    // And a grey has no hue to move a node based on hue.
    RelativeEffect grey;
    withActiveMiddleNode(grey, 0, 2);
    grey->setColour(kSelectXParam, PF_Pixel{255, 90, 90, 90});
    ASSERT_EQ(grey->userChangedParam(kSelectXParam), PF_Err_NONE);
    EXPECT_EQ(grey.curves().curves[0].nodes[1].x, 0.5);
}

TEST(RelativeParameters, StoredSettingsThatNameNothingShowAsTheFirstItem) {
    RelativeEffect effect;
    RelativeCurveSet set = defaultCurves();
    set.basedOn[1] = -7;
    set.changeBy[1] = 12;
    effect.setCurves(set);
    auto sequence = RelativeEffect::newSequence();
    sequence->current = 99;
    sequence->states[1].active = 1000;
    effect.setSequence(*sequence);
    effect->setNumber(kChangeParam, 2);
    ASSERT_EQ(effect->userChangedParam(kChangeParam), PF_Err_NONE);
    EXPECT_EQ(effect->parameter(kBasedOnParam).current().u.pd.value, 1);
    EXPECT_EQ(effect->parameter(kChangeByParam).current().u.pd.value, 1);
    EXPECT_EQ(effect.sequence()->current, 1);
    EXPECT_EQ(effect->problems(), "");
}

} // namespace
} // namespace korvane::relativetest
