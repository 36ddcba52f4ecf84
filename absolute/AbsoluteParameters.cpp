#include "absolute/AbsoluteParameters.h"

#include "absolute/AbsoluteChannels.h"
#include "curves/CurveArbitrary.h"
#include "curves/EffectTraits.h"

#include <cstring>

namespace korvane {

namespace {

constexpr PF_ParamFlags kSupervisedFixed = PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY;
constexpr PF_ParamFlags kNodeValueFlags =
    PF_ParamFlag_SUPERVISE | PF_ParamFlag_COLLAPSE_TWIRLY | PF_ParamFlag_CANNOT_TIME_VARY;
constexpr A_short kCurveControlWidth = 9999;
constexpr A_short kCurveControlHeight = 340;
constexpr A_short kChannelChoices = 8;
constexpr A_short kScaleChoices = 4;
constexpr PF_FpShort kNodeValueLimit = 9999999.0f;
constexpr A_short kNodeValuePrecision = 3;
constexpr PF_FpShort kNodeValueCurveTolerance = 0.05f;
constexpr PF_Pixel kOpaqueWhite{255, 255, 255, 255};

PF_ParamDef namedDef(PF_ParamType type, const char* name, A_long id, PF_ParamFlags flags) {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    def.param_type = type;
    std::strncpy(def.name, name, sizeof def.name - 1);
    def.uu.id = id;
    def.flags = flags;
    return def;
}

PF_ParamDef popupDef(const char* name, A_long id, A_short choices, A_short dephault, const char* items) {
    PF_ParamDef def = namedDef(PF_Param_POPUP, name, id, kSupervisedFixed);
    def.u.pd.num_choices = choices;
    def.u.pd.dephault = dephault;
    def.u.pd.value = dephault;
    def.u.pd.u.namesptr = items;
    return def;
}

PF_ParamDef nodeValueDef(const char* name, A_long id) {
    PF_ParamDef def = namedDef(PF_Param_FLOAT_SLIDER, name, id, kNodeValueFlags);
    PF_FloatSliderDef& slider = def.u.fs_d;
    slider.valid_min = -kNodeValueLimit;
    slider.valid_max = kNodeValueLimit;
    slider.slider_min = 0.0f;
    slider.slider_max = 1.0f;
    slider.value = 1.0;
    slider.dephault = 1.0f;
    slider.precision = kNodeValuePrecision;
    slider.curve_tolerance = kNodeValueCurveTolerance;
    return def;
}

PF_ParamDef colourDef(const char* name, A_long id) {
    PF_ParamDef def = namedDef(PF_Param_COLOR, name, id, kSupervisedFixed);
    def.u.cd.value = kOpaqueWhite;
    def.u.cd.dephault = kOpaqueWhite;
    return def;
}

PF_Err addParameter(PF_InData& in_data, PF_ParamDef& def) {
    if (in_data.inter.add_param == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return in_data.inter.add_param(in_data.effect_ref, -1, &def);
}

PF_Err addCurveParameter(PF_InData& in_data) {
    if (in_data.utils == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_ParamDef def = namedDef(PF_Param_ARBITRARY_DATA, "curve", kIdCurve, PF_ParamFlag_SUPERVISE);
    def.ui_flags = PF_PUI_CONTROL | PF_PUI_DONT_ERASE_CONTROL;
    def.ui_width = kCurveControlWidth;
    def.ui_height = kCurveControlHeight;
    def.u.arb_d.id = A_short(kIdCurve);
    def.u.arb_d.refconPV = arbRefcon<AbsoluteTraits>();
    if (const PF_Err err = newCurveSetHandle<AbsoluteTraits>(*in_data.utils, def.u.arb_d.dephault)) {
        return err;
    }
    if (const PF_Err err = addParameter(in_data, def)) {
        // The host did not take the default value: it is still ours to dispose of.
        if (in_data.utils->host_dispose_handle != nullptr) {
            in_data.utils->host_dispose_handle(def.u.arb_d.dephault);
        }
        return err;
    }
    if (in_data.inter.register_ui != nullptr) {
        PF_CustomUIInfo ui;
        std::memset(&ui, 0, sizeof ui);
        ui.events = PF_CustomEFlag_EFFECT;
        return in_data.inter.register_ui(in_data.effect_ref, &ui);
    }
    return PF_Err_NONE;
}

} // namespace

double displayScale(PF_ParamValue scaleValue) {
    switch (scaleValue) {
    case 2:
        return 255.0;
    case 3:
        return 1023.0;
    case 4:
        return 32768.0;
    default:
        return 1.0;
    }
}

PF_Err registerAbsoluteParameters(PF_InData& in_data) {
    PF_ParamDef channel =
        popupDef("channel", kIdChannel, kChannelChoices, A_short(kChannelRgb + 1), kChannelItems);
    if (const PF_Err err = addParameter(in_data, channel)) {
        return err;
    }
    if (const PF_Err err = addCurveParameter(in_data)) {
        return err;
    }
    PF_ParamDef scale = popupDef("scale", kIdScale, kScaleChoices, 1, kScaleItems);
    if (const PF_Err err = addParameter(in_data, scale)) {
        return err;
    }
    PF_ParamDef nodeX = nodeValueDef("node x (input)", kIdNodeX);
    if (const PF_Err err = addParameter(in_data, nodeX)) {
        return err;
    }
    PF_ParamDef nodeY = nodeValueDef("node y (output)", kIdNodeY);
    if (const PF_Err err = addParameter(in_data, nodeY)) {
        return err;
    }
    PF_ParamDef selectX = colourDef("select node x (input)", kIdSelectNodeX);
    if (const PF_Err err = addParameter(in_data, selectX)) {
        return err;
    }
    PF_ParamDef selectY = colourDef("select node y (output)", kIdSelectNodeY);
    if (const PF_Err err = addParameter(in_data, selectY)) {
        return err;
    }
    PF_ParamDef invert = namedDef(PF_Param_CHECKBOX, "invert all", kIdInvertAll, 0);
    invert.u.bd.u.nameptr = "";
    return addParameter(in_data, invert);
}

} // namespace korvane
