#include "FakeHost.h"
#include "RecordingEffect.h"

#include "framework/xLayer.h"
#include "framework/xRGBA.h"

#include <gtest/gtest.h>

#include <cstring>

namespace korvane::testing {
namespace {

using fakehost::FakeHost;

// A test-only effect that declares one control of every kind through the parameter list.
class DeclaringEffect : public RecordingEffect {
public:
    DeclaringEffect() {
        group.name = "group";
        group.label = "Settings";
        group.id = 10;
        group.startCollapsed = true;

        colour.name = "tint";
        colour.label = "Tint";
        colour.id = 11;
        colour.red = 1.0;
        colour.green = 0.5;
        colour.blue = 0.2;
        colour.alphaDefault = 0.25;
        colour.alphaId = 7;

        slider.name = "radius";
        slider.label = "Radius";
        slider.id = 12;
        slider.defaultValue = 5;
        slider.validMin = -10;
        slider.validMax = 300;
        slider.sliderMin = 0;
        slider.sliderMax = 100;
        slider.animatable = false;

        amount.name = "amount";
        amount.label = "Amount";
        amount.id = 13;
        amount.percent = true;
        amount.precision = 2;
        amount.defaultValue = 0.1; // not exact in single precision
        amount.validMin = -2.0;
        amount.validMax = 2.0;
        amount.sliderMin = -1.0;
        amount.sliderMax = 1.0;
        amount.supervised = true;

        hidden.name = "hidden";
        hidden.label = "Hidden";
        hidden.id = 14;
        hidden.internal = true;

        angle.name = "angle";
        angle.label = "Angle";
        angle.id = 15;
        angle.defaultValue = 45.5;

        invert.name = "invert";
        invert.label = "Invert";
        invert.id = 16;
        invert.defaultValue = true;
        invert.enabled = false;

        channel.name = "channel";
        channel.label = "Channel";
        channel.id = 17;
        channel.choices = {"red", "green", "blue"};
        channel.defaultValue = 2;

        base.name = "base layer";
        base.label = "Base Layer";
        base.id = 18;

        centre.name = "centre";
        centre.label = "Centre";
        centre.id = 19;
        centre.x = 0.5;
        centre.y = 0.25;
        centre.restrictBounds = true;

        end.name = "group end";
        end.label = "not shown";
        end.id = 20;

        plainColour.name = "plain";
        plainColour.label = "Plain";
        plainColour.id = 21;
        plainColour.red = 0.999;
        plainColour.green = 0.0;
        plainColour.blue = 2.0; // out of range: clamped to white, never wrapped

        secondLayer.name = "matte layer";
        secondLayer.label = "Matte";
        secondLayer.id = 22;

        for (xParameterBase* p : std::initializer_list<xParameterBase*>{
                 &groupElement, &colourElement, &sliderElement, &amountElement, &hiddenElement, &angleElement,
                 &invertElement, &channelElement, &baseElement, &centreElement, &endElement, &plainElement,
                 &secondLayerElement}) {
            parameters().add(*p);
        }
    }

    xGroupDef group;
    xRGBADef colour;
    xIntSliderDef slider;
    xFloatDef amount;
    xFloatDef hidden;
    xAngleDef angle;
    xCheckboxDef invert;
    xChoiceDef channel;
    xLayerDef base;
    xPoint2dDef centre;
    xGroupEndDef end;
    xRGBADef plainColour;
    xLayerDef secondLayer;

    xParameter groupElement{group};
    xRGBA colourElement{colour};
    xParameter sliderElement{slider};
    xParameter amountElement{amount};
    xParameter hiddenElement{hidden};
    xParameter angleElement{angle};
    xParameter invertElement{invert};
    xParameter channelElement{channel};
    xLayer baseElement{base};
    xParameter centreElement{centre};
    xParameter endElement{end};
    xRGBA plainElement{plainColour};
    xLayer secondLayerElement{secondLayer};
};

class ParameterModel : public ::testing::Test {
protected:
    PF_Err setup() {
        return effect.dispatch(PF_Cmd_PARAMS_SETUP, &host.in, &host.out, nullptr, nullptr, nullptr);
    }
    const PF_ParamDef& added(std::size_t i) const { return host.added.at(i).def; }

    FakeHost host;
    DeclaringEffect effect;
};

TEST_F(ParameterModel, RegistersEveryKindInListOrder) {
    ASSERT_EQ(setup(), PF_Err_NONE);
    // colour and its alpha slider count twice; the internal slider is skipped
    ASSERT_EQ(host.added.size(), 13u);
    EXPECT_EQ(host.out.num_params, 14);
    const std::vector<PF_ParamType> types = {
        PF_Param_GROUP_START,  PF_Param_COLOR, PF_Param_FLOAT_SLIDER, PF_Param_SLIDER,
        PF_Param_FLOAT_SLIDER, PF_Param_ANGLE, PF_Param_CHECKBOX,     PF_Param_POPUP,
        PF_Param_LAYER,        PF_Param_POINT, PF_Param_GROUP_END,    PF_Param_COLOR,
        PF_Param_LAYER};
    const std::vector<A_long> ids = {10, 11, 7, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22};
    for (std::size_t i = 0; i < types.size(); ++i) {
        EXPECT_EQ(added(i).param_type, types[i]) << i;
        EXPECT_EQ(added(i).uu.id, ids[i]) << i;
    }
}

TEST_F(ParameterModel, CommonFlags) {
    ASSERT_EQ(setup(), PF_Err_NONE);
    EXPECT_EQ(added(0).flags, PF_ParamFlag_START_COLLAPSED);
    EXPECT_STREQ(added(0).name, "Settings");
    EXPECT_EQ(added(3).flags, PF_ParamFlag_CANNOT_TIME_VARY);
    EXPECT_EQ(added(4).flags, PF_ParamFlag_SUPERVISE);
    EXPECT_EQ(added(6).ui_flags, PF_PUI_DISABLED);
    EXPECT_EQ(added(5).ui_flags, 0);
    EXPECT_STREQ(added(10).name, ""); // a group end carries no label
}

TEST_F(ParameterModel, ColourWithAndWithoutAlphaControl) {
    ASSERT_EQ(setup(), PF_Err_NONE);
    const PF_ColorDef& tint = added(1).u.cd;
    // each channel truncated from component x 255
    EXPECT_EQ(tint.value.alpha, 255);
    EXPECT_EQ(tint.value.red, 255);
    EXPECT_EQ(tint.value.green, 127);
    EXPECT_EQ(tint.value.blue, 51);
    EXPECT_EQ(std::memcmp(&tint.value, &tint.dephault, sizeof tint.value), 0);

    const PF_ParamDef& alpha = added(2);
    EXPECT_STREQ(alpha.name, "Tint(alpha)");
    EXPECT_EQ(alpha.u.fs_d.value, 0.25);
    EXPECT_EQ(alpha.u.fs_d.dephault, 0.25f);
    EXPECT_EQ(alpha.u.fs_d.valid_min, 0.0f);
    EXPECT_EQ(alpha.u.fs_d.valid_max, 1.0f);
    EXPECT_EQ(alpha.u.fs_d.slider_min, 0.0f);
    EXPECT_EQ(alpha.u.fs_d.slider_max, 1.0f);
    EXPECT_EQ(alpha.u.fs_d.precision, 3);
    EXPECT_EQ(alpha.u.fs_d.curve_tolerance, 0.05f);

    const PF_ColorDef& plain = added(11).u.cd;
    EXPECT_EQ(plain.value.red, 254); // 0.999 x 255 = 254.7
    EXPECT_EQ(plain.value.green, 0);
    EXPECT_EQ(plain.value.blue, 255);
    EXPECT_EQ(added(12).param_type, PF_Param_LAYER); // no alpha slider after the plain colour
}

TEST_F(ParameterModel, SliderFloatAngleCheckboxValues) {
    ASSERT_EQ(setup(), PF_Err_NONE);
    const PF_SliderDef& radius = added(3).u.sd;
    EXPECT_EQ(radius.value, 5);
    EXPECT_EQ(radius.dephault, 5);
    EXPECT_EQ(radius.valid_min, -10);
    EXPECT_EQ(radius.valid_max, 300);
    EXPECT_EQ(radius.slider_min, 0);
    EXPECT_EQ(radius.slider_max, 100);
    EXPECT_STREQ(radius.value_str, "");
    EXPECT_STREQ(radius.value_desc, "");

    const PF_FloatSliderDef& amount = added(4).u.fs_d;
    EXPECT_EQ(amount.value, double(0.1f));
    EXPECT_NE(amount.value, 0.1);
    EXPECT_EQ(amount.dephault, 0.1f);
    EXPECT_EQ(amount.valid_min, -2.0f);
    EXPECT_EQ(amount.valid_max, 2.0f);
    EXPECT_EQ(amount.slider_min, -1.0f);
    EXPECT_EQ(amount.slider_max, 1.0f);
    EXPECT_EQ(amount.precision, 2);
    EXPECT_EQ(amount.display_flags, PF_ValueDisplayFlag_PERCENT);
    EXPECT_EQ(amount.curve_tolerance, 0.05f);

    EXPECT_EQ(added(5).u.ad.value, 45 * 65536 + 32768); // 45.5 degrees in 16.16
    EXPECT_EQ(added(5).u.ad.dephault, 45 * 65536 + 32768);

    EXPECT_EQ(added(6).u.bd.value, 1);
    EXPECT_EQ(added(6).u.bd.dephault, 1);
    EXPECT_EQ(host.added[6].checkboxText, "");
}

TEST_F(ParameterModel, ChoicesJoinedWithBarAndBlank) {
    ASSERT_EQ(setup(), PF_Err_NONE);
    const PF_PopupDef& channel = added(7).u.pd;
    EXPECT_EQ(host.added[7].popupNames, "red| green| blue");
    EXPECT_EQ(channel.num_choices, 3);
    EXPECT_EQ(channel.value, 2);
    EXPECT_EQ(channel.dephault, 2);
}

TEST_F(ParameterModel, LayerAndPointDefaults) {
    ASSERT_EQ(setup(), PF_Err_NONE);
    EXPECT_EQ(added(8).u.ld.dephault, PF_LayerDefault_NONE);
    EXPECT_STREQ(added(8).name, "Base Layer");
    const PF_PointDef& centre = added(9).u.td;
    EXPECT_EQ(centre.x_value, 50 << 16);
    EXPECT_EQ(centre.y_value, 25 << 16);
    EXPECT_EQ(centre.x_dephault, 50 << 16);
    EXPECT_EQ(centre.y_dephault, 25 << 16);
    EXPECT_EQ(centre.restrict_bounds, 1);
}

TEST_F(ParameterModel, IndicesSkipInternalElementsWithoutAGap) {
    setup();
    EXPECT_EQ(effect.parameterCount(), 14);
    EXPECT_EQ(effect.groupElement.hostIndex(), 1);
    EXPECT_EQ(effect.colourElement.hostIndex(), 2);
    EXPECT_EQ(effect.colourElement.alphaIndex(), 3);
    EXPECT_EQ(effect.sliderElement.hostIndex(), 4);
    EXPECT_EQ(effect.amountElement.hostIndex(), 5);
    EXPECT_EQ(effect.hiddenElement.hostIndex(), -1);
    EXPECT_EQ(effect.angleElement.hostIndex(), 6);
    EXPECT_EQ(effect.baseElement.hostIndex(), 9);
    EXPECT_EQ(effect.plainElement.hostIndex(), 12);
    EXPECT_EQ(effect.plainElement.alphaIndex(), -1);
    EXPECT_EQ(effect.secondLayerElement.hostIndex(), 13);
    EXPECT_EQ(effect.baseElement.host(), &effect);
    EXPECT_EQ(effect.hiddenElement.host(), &effect);
}

TEST_F(ParameterModel, LayerParametersInListOrder) {
    setup();
    std::string name;
    EXPECT_EQ(effect.layerParameter(0, &name), 9);
    EXPECT_EQ(name, "base layer");
    EXPECT_EQ(effect.layerParameter(1, &name), 13);
    EXPECT_EQ(name, "matte layer");
    EXPECT_EQ(effect.layerParameter(1, nullptr), 13);
    name = "unchanged";
    EXPECT_EQ(effect.layerParameter(2, &name), -1);
    EXPECT_EQ(name, "unchanged");
}

TEST_F(ParameterModel, UserChangedParamNamesTheElementAtTheIndex) {
    setup();
    PF_UserChangedParamExtra changed{6};
    effect.dispatch(PF_Cmd_USER_CHANGED_PARAM, &host.in, &host.out, nullptr, nullptr, &changed);
    EXPECT_EQ(effect.changedNames, std::vector<std::string>{"angle"});
    changed.param_index = 40;
    effect.dispatch(PF_Cmd_USER_CHANGED_PARAM, &host.in, &host.out, nullptr, nullptr, &changed);
    EXPECT_EQ(effect.changedNames.size(), 1u);
    effect.dispatch(PF_Cmd_UPDATE_PARAMS_UI, &host.in, &host.out, nullptr, nullptr, nullptr);
    EXPECT_EQ(effect.parameterUIUpdates, 1);
}

TEST_F(ParameterModel, HostErrorStopsRegistrationAtOnce) {
    host.addParamFailAt = 4;
    host.addParamError = PF_Err_OUT_OF_MEMORY;
    host.out.num_params = -7;
    EXPECT_EQ(setup(), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(host.added.size(), 4u);
    EXPECT_EQ(host.out.num_params, -7);
}

TEST(ParameterModelEdges, EmptyListRegistersNothing) {
    FakeHost host;
    RecordingEffect effect;
    EXPECT_EQ(effect.dispatch(PF_Cmd_PARAMS_SETUP, &host.in, &host.out, nullptr, nullptr, nullptr),
              PF_Err_NONE);
    EXPECT_TRUE(host.added.empty());
    EXPECT_EQ(host.out.num_params, 1);
    EXPECT_EQ(effect.layerParameter(0, nullptr), -1);
}

TEST(ParameterModelEdges, LongLabelsAreCutToTheHostsField) {
    FakeHost host;
    RecordingEffect effect;
    xRGBADef colour;
    colour.label = std::string(40, 'L');
    colour.alphaId = 3;
    xRGBA element(colour);
    effect.parameters().add(element);
    effect.dispatch(PF_Cmd_PARAMS_SETUP, &host.in, &host.out, nullptr, nullptr, nullptr);
    ASSERT_EQ(host.added.size(), 2u);
    EXPECT_EQ(std::string(host.added[0].def.name), std::string(31, 'L'));
    EXPECT_EQ(std::string(host.added[1].def.name), std::string(31, 'L'));
}

TEST(ParameterModelEdges, ChoiceDefaultOutsideTheListIsKeptInside) {
    FakeHost host;
    RecordingEffect effect;
    xChoiceDef choice;
    choice.choices = {"one", "two"};
    choice.defaultValue = 9;
    xParameter element(choice);
    effect.parameters().add(element);
    effect.dispatch(PF_Cmd_PARAMS_SETUP, &host.in, &host.out, nullptr, nullptr, nullptr);
    ASSERT_EQ(host.added.size(), 1u);
    EXPECT_EQ(host.added[0].def.u.pd.value, 2);
    EXPECT_EQ(host.added[0].def.u.pd.dephault, 2);
}

} // namespace
} // namespace korvane::testing
