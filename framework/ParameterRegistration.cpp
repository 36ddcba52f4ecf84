#include "framework/ParameterRegistration.h"

#include "framework/xLayer.h"
#include "framework/xRGBA.h"
#include "hostapi/PF_Errors.h"
#include "hostapi/PF_ParamDef.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace korvane {
namespace {

constexpr PF_FpShort kCurveTolerance = 0.05f;
constexpr std::string_view kAlphaSuffix = "(alpha)";
constexpr std::string_view kChoiceSeparator = "| ";

// Names longer than the host's field are cut, never written past it.
void copyLabel(const PF_InData* inData, const std::string& label, PF_ParamDef& def) {
    char text[sizeof def.name] = {};
    std::memcpy(text, label.data(), std::min(label.size(), sizeof text - 1));
    if (inData->utils != nullptr && inData->utils->ansi.strcpy != nullptr) {
        inData->utils->ansi.strcpy(def.name, text);
    } else {
        std::memcpy(def.name, text, sizeof text);
    }
}

A_u_char channelByte(double component) {
    if (!(component > 0.0)) {
        return 0;
    }
    return static_cast<A_u_char>(std::min(component * 255.0, 255.0));
}

PF_Fixed toFixed(double value) {
    constexpr double kLimit = 32767.0;
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<PF_Fixed>(std::clamp(value, -kLimit, kLimit) * 65536.0);
}

std::string joinChoices(const std::vector<std::string>& choices) {
    std::string names;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (i > 0) {
            names += kChoiceSeparator;
        }
        names += choices[i];
    }
    return names;
}

PF_Err addParam(PF_InData* inData, PF_ParamDef& def) {
    if (inData->inter.add_param == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return inData->inter.add_param(inData->effect_ref, -1, &def);
}

PF_ParamDef commonDef(const xParameterDef& definition) {
    PF_ParamDef def{};
    if (!definition.animatable) {
        def.flags |= PF_ParamFlag_CANNOT_TIME_VARY;
    }
    if (definition.supervised) {
        def.flags |= PF_ParamFlag_SUPERVISE;
    }
    if (definition.startCollapsed) {
        def.flags |= PF_ParamFlag_START_COLLAPSED;
    }
    if (!definition.enabled) {
        def.ui_flags |= PF_PUI_DISABLED;
    }
    return def;
}

// Registers one definition; *count grows by the number of host parameters it became.
PF_Err registerDefinition(PF_InData* inData, const xParameterDef& definition, std::int32_t* count) {
    PF_ParamDef def = commonDef(definition);
    def.uu.id = definition.id;
    std::string choiceNames;

    if (dynamic_cast<const xGroupDef*>(&definition) != nullptr) {
        def.param_type = PF_Param_GROUP_START;
        copyLabel(inData, definition.label, def);
    } else if (dynamic_cast<const xGroupEndDef*>(&definition) != nullptr) {
        def.param_type = PF_Param_GROUP_END;
    } else if (const auto* colour = dynamic_cast<const xRGBADef*>(&definition)) {
        def.param_type = PF_Param_COLOR;
        copyLabel(inData, definition.label, def);
        const PF_Pixel pixel{255, channelByte(colour->red), channelByte(colour->green),
                             channelByte(colour->blue)};
        def.u.cd.value = pixel;
        def.u.cd.dephault = pixel;
    } else if (const auto* slider = dynamic_cast<const xIntSliderDef*>(&definition)) {
        def.param_type = PF_Param_SLIDER;
        copyLabel(inData, definition.label, def);
        def.u.sd.value = slider->defaultValue;
        def.u.sd.dephault = slider->defaultValue;
        def.u.sd.valid_min = slider->validMin;
        def.u.sd.valid_max = slider->validMax;
        def.u.sd.slider_min = slider->sliderMin;
        def.u.sd.slider_max = slider->sliderMax;
    } else if (const auto* number = dynamic_cast<const xFloatDef*>(&definition)) {
        def.param_type = PF_Param_FLOAT_SLIDER;
        copyLabel(inData, definition.label, def);
        def.u.fs_d.value = static_cast<PF_FpShort>(number->defaultValue);
        def.u.fs_d.dephault = static_cast<PF_FpShort>(number->defaultValue);
        def.u.fs_d.valid_min = static_cast<PF_FpShort>(number->validMin);
        def.u.fs_d.valid_max = static_cast<PF_FpShort>(number->validMax);
        def.u.fs_d.slider_min = static_cast<PF_FpShort>(number->sliderMin);
        def.u.fs_d.slider_max = static_cast<PF_FpShort>(number->sliderMax);
        def.u.fs_d.precision = number->precision;
        def.u.fs_d.display_flags =
            static_cast<PF_ValueDisplayFlags>((number->pixel ? PF_ValueDisplayFlag_PIXEL : 0) |
                                              (number->percent ? PF_ValueDisplayFlag_PERCENT : 0));
        def.u.fs_d.curve_tolerance = kCurveTolerance;
    } else if (const auto* angle = dynamic_cast<const xAngleDef*>(&definition)) {
        def.param_type = PF_Param_ANGLE;
        copyLabel(inData, definition.label, def);
        def.u.ad.value = toFixed(angle->defaultValue);
        def.u.ad.dephault = def.u.ad.value;
    } else if (const auto* checkbox = dynamic_cast<const xCheckboxDef*>(&definition)) {
        def.param_type = PF_Param_CHECKBOX;
        copyLabel(inData, definition.label, def);
        def.u.bd.value = checkbox->defaultValue ? 1 : 0;
        def.u.bd.dephault = checkbox->defaultValue ? 1 : 0;
        def.u.bd.u.nameptr = "";
    } else if (const auto* choice = dynamic_cast<const xChoiceDef*>(&definition)) {
        def.param_type = PF_Param_POPUP;
        copyLabel(inData, definition.label, def);
        const auto count = static_cast<std::int32_t>(
            std::min<std::size_t>(choice->choices.size(), std::numeric_limits<A_short>::max()));
        // A default outside the list would point the host past its choices.
        const std::int32_t dephault = std::clamp(choice->defaultValue, std::int32_t{1}, std::max(count, 1));
        choiceNames = joinChoices(choice->choices);
        def.u.pd.value = dephault;
        def.u.pd.num_choices = static_cast<A_short>(count);
        def.u.pd.dephault = static_cast<A_short>(dephault);
        def.u.pd.u.namesptr = choiceNames.c_str();
    } else if (dynamic_cast<const xLayerDef*>(&definition) != nullptr) {
        def.param_type = PF_Param_LAYER;
        copyLabel(inData, definition.label, def);
        def.u.ld.dephault = PF_LayerDefault_NONE;
    } else if (const auto* point = dynamic_cast<const xPoint2dDef*>(&definition)) {
        def.param_type = PF_Param_POINT;
        copyLabel(inData, definition.label, def);
        // Whole percent of the layer size in 16.16.
        def.u.td.x_value = toFixed(std::trunc(point->x * 100.0));
        def.u.td.y_value = toFixed(std::trunc(point->y * 100.0));
        def.u.td.x_dephault = def.u.td.x_value;
        def.u.td.y_dephault = def.u.td.y_value;
        def.u.td.restrict_bounds = point->restrictBounds ? 1 : 0;
    } else {
        return PF_Err_NONE;
    }

    if (const PF_Err err = addParam(inData, def)) {
        return err;
    }
    ++*count;

    const auto* colour = dynamic_cast<const xRGBADef*>(&definition);
    if (colour == nullptr || colour->alphaId <= 0) {
        return PF_Err_NONE;
    }
    PF_ParamDef alpha = commonDef(definition);
    alpha.param_type = PF_Param_FLOAT_SLIDER;
    alpha.uu.id = colour->alphaId;
    copyLabel(inData, definition.label + std::string(kAlphaSuffix), alpha);
    alpha.u.fs_d.value = colour->alphaDefault;
    alpha.u.fs_d.dephault = static_cast<PF_FpShort>(colour->alphaDefault);
    alpha.u.fs_d.valid_min = 0.0f;
    alpha.u.fs_d.valid_max = 1.0f;
    alpha.u.fs_d.slider_min = 0.0f;
    alpha.u.fs_d.slider_max = 1.0f;
    alpha.u.fs_d.precision = 3;
    alpha.u.fs_d.curve_tolerance = kCurveTolerance;
    if (const PF_Err err = addParam(inData, alpha)) {
        return err;
    }
    ++*count;
    return PF_Err_NONE;
}

bool hasAlphaSlider(const xParameterBase& element) {
    const auto* colour = dynamic_cast<const xRGBADef*>(&element.definition());
    return colour != nullptr && colour->alphaId > 0;
}

} // namespace

bool isRegisteredKind(const xParameterDef& d) {
    return dynamic_cast<const xGroupDef*>(&d) != nullptr ||
           dynamic_cast<const xGroupEndDef*>(&d) != nullptr || dynamic_cast<const xRGBADef*>(&d) != nullptr ||
           dynamic_cast<const xIntSliderDef*>(&d) != nullptr ||
           dynamic_cast<const xFloatDef*>(&d) != nullptr || dynamic_cast<const xAngleDef*>(&d) != nullptr ||
           dynamic_cast<const xCheckboxDef*>(&d) != nullptr ||
           dynamic_cast<const xChoiceDef*>(&d) != nullptr || dynamic_cast<const xLayerDef*>(&d) != nullptr ||
           dynamic_cast<const xPoint2dDef*>(&d) != nullptr;
}

PF_Err registerParameters(const xParameterList& list, PF_InData* inData, PF_OutData* outData) {
    std::int32_t count = 0;
    for (const xParameterBase* element : list) {
        const xParameterDef& definition = element->definition();
        if (definition.internal) {
            continue;
        }
        if (const PF_Err err = registerDefinition(inData, definition, &count)) {
            return err;
        }
    }
    outData->num_params = count + 1;
    return PF_Err_NONE;
}

std::int32_t assignParameterIndices(const xParameterList& list, AfterEffectsHost* host) {
    std::int32_t counter = 1;
    for (xParameterBase* element : list) {
        auto* binding = dynamic_cast<xParameterBaseAE*>(element);
        if (binding != nullptr) {
            binding->setHost(host);
        }
        const xParameterDef& definition = element->definition();
        if (definition.internal || !isRegisteredKind(definition)) {
            continue;
        }
        // Elements without the binding are registered too, so they still take their place in the count.
        if (binding != nullptr) {
            binding->setHostIndex(counter);
        }
        ++counter;
        if (hasAlphaSlider(*element)) {
            if (auto* colour = dynamic_cast<xRGBA*>(element)) {
                colour->setAlphaIndex(counter);
            }
            ++counter;
        }
    }
    return counter;
}

std::int32_t findLayerParameter(const xParameterList& list, std::int32_t n, std::string* name) {
    std::int32_t seen = 0;
    for (const xParameterBase* element : list) {
        const auto* layer = dynamic_cast<const xLayer*>(element);
        if (layer == nullptr || layer->definition().internal) {
            continue;
        }
        if (seen == n) {
            if (name != nullptr) {
                *name = layer->definition().name;
            }
            return layer->hostIndex();
        }
        ++seen;
    }
    return -1;
}

const xParameterBase* findParameterAtIndex(const xParameterList& list, std::int32_t index) {
    for (const xParameterBase* element : list) {
        const auto* binding = dynamic_cast<const xParameterBaseAE*>(element);
        if (binding != nullptr && binding->hostIndex() == index && !element->definition().internal) {
            return element;
        }
    }
    return nullptr;
}

} // namespace korvane
