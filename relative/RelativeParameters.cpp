#include "relative/RelativeParameters.h"

#include "curves/CurveArbitrary.h"
#include "curves/EffectTraits.h"
#include "relative/RelativeProperties.h"

#include <cstring>

namespace korvane {

namespace {

constexpr PF_ParamFlags kFixed = PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY;
constexpr PF_ParamFlags kFixedNoInterp = kFixed | PF_ParamFlag_CANNOT_INTERP;
constexpr PF_ParamFlags kFactorFlags = kFixedNoInterp | PF_ParamFlag_START_COLLAPSED;
constexpr PF_ParamFlags kNodeValueFlags = kFixed | PF_ParamFlag_START_COLLAPSED;
constexpr A_short kCurveControlWidth = 9999;
constexpr A_short kCurveControlHeight = 340;
constexpr PF_FpShort kValueLimit = 9999999.0f;
static_assert(double(kValueLimit) == relative::kLargestChangeFactor);
constexpr A_short kValuePrecision = 3;
constexpr PF_FpShort kCurveTolerance = 0.05f;
constexpr PF_FpShort kPreBlurSliderMax = 10.0f;
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

PF_ParamDef popupDef(const char* name, A_long id, PF_ParamFlags flags, A_short choices, const char* items) {
    PF_ParamDef def = namedDef(PF_Param_POPUP, name, id, flags);
    def.u.pd.num_choices = choices;
    def.u.pd.dephault = 1;
    def.u.pd.value = 1;
    def.u.pd.u.namesptr = items;
    return def;
}

PF_ParamDef floatDef(const char* name, A_long id, PF_ParamFlags flags, PF_FpShort validMin,
                     PF_FpShort sliderMax, PF_FpShort dephault) {
    PF_ParamDef def = namedDef(PF_Param_FLOAT_SLIDER, name, id, flags);
    PF_FloatSliderDef& slider = def.u.fs_d;
    slider.valid_min = validMin;
    slider.valid_max = kValueLimit;
    slider.slider_min = 0.0f;
    slider.slider_max = sliderMax;
    slider.value = dephault;
    slider.dephault = dephault;
    slider.precision = kValuePrecision;
    slider.curve_tolerance = kCurveTolerance;
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
    def.u.arb_d.refconPV = arbRefcon<RelativeTraits>();
    if (const PF_Err err = newCurveSetHandle<RelativeTraits>(*in_data.utils, def.u.arb_d.dephault)) {
        return err;
    }
    if (const PF_Err err = addParameter(in_data, def)) {
        // The host did not take the default value: it is still ours to dispose of.
        if (in_data.utils->host_dispose_handle != nullptr) {
            in_data.utils->host_dispose_handle(def.u.arb_d.dephault);
        }
        return err;
    }
    if (in_data.inter.register_ui == nullptr) {
        return PF_Err_NONE;
    }
    PF_CustomUIInfo ui;
    std::memset(&ui, 0, sizeof ui);
    ui.events = PF_CustomEFlag_EFFECT;
    return in_data.inter.register_ui(in_data.effect_ref, &ui);
}

} // namespace

double relativeDisplayScale(PF_ParamValue scaleValue) {
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

PF_Err registerRelativeParameters(PF_InData& in_data) {
    PF_ParamDef change = popupDef("change", kIdChange, kFixed, 8, kChangeItems);
    if (const PF_Err err = addParameter(in_data, change)) {
        return err;
    }
    PF_ParamDef basedOn = popupDef("based on", kIdBasedOn, kFixedNoInterp, 16, kBasedOnItems);
    if (const PF_Err err = addParameter(in_data, basedOn)) {
        return err;
    }
    PF_ParamDef changeBy = popupDef("change by", kIdChangeBy, kFixedNoInterp, 2, kChangeByItems);
    if (const PF_Err err = addParameter(in_data, changeBy)) {
        return err;
    }
    PF_ParamDef factor = floatDef("change factor", kIdChangeFactor, kFactorFlags, -kValueLimit, 1.0f, 1.0f);
    if (const PF_Err err = addParameter(in_data, factor)) {
        return err;
    }
    if (const PF_Err err = addCurveParameter(in_data)) {
        return err;
    }
    PF_ParamDef scale = popupDef("scale", kIdScale, kFixed, 4, kScaleItems);
    if (const PF_Err err = addParameter(in_data, scale)) {
        return err;
    }
    PF_ParamDef nodeX = floatDef("node x (input)", kIdNodeX, kNodeValueFlags, -kValueLimit, 1.0f, 1.0f);
    if (const PF_Err err = addParameter(in_data, nodeX)) {
        return err;
    }
    PF_ParamDef nodeY = floatDef("node y (ouput)", kIdNodeY, kNodeValueFlags, -kValueLimit, 1.0f, 1.0f);
    if (const PF_Err err = addParameter(in_data, nodeY)) {
        return err;
    }
    PF_ParamDef select = namedDef(PF_Param_COLOR, "select node x (input)", kIdSelectNodeX, kFixed);
    select.u.cd.value = kOpaqueWhite;
    select.u.cd.dephault = kOpaqueWhite;
    if (const PF_Err err = addParameter(in_data, select)) {
        return err;
    }
    PF_ParamDef preBlur =
        floatDef("pre blur", kIdPreBlur, PF_ParamFlag_START_COLLAPSED, 0.0f, kPreBlurSliderMax, 0.0f);
    if (const PF_Err err = addParameter(in_data, preBlur)) {
        return err;
    }
    PF_ParamDef baseLayer = namedDef(PF_Param_LAYER, kBaseLayerName, kIdBaseLayer, 0);
    baseLayer.u.ld.dephault = PF_LayerDefault_NONE;
    if (const PF_Err err = addParameter(in_data, baseLayer)) {
        return err;
    }
    PF_ParamDef show = popupDef("show", kIdShow, 0, 4, kShowItems);
    return addParameter(in_data, show);
}

} // namespace korvane
